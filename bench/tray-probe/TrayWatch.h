#pragma once

#include "XDisplay.h"

#include <chrono>
#include <functional>
#include <optional>
#include <set>

// Waits for the tray icon of one process to be embedded: a window whose _NET_WM_PID is that process,
// that carries _XEMBED_INFO, has been reparented away from the root (into the tray) and is viewable.
// Driven by X events (creation, reparenting, mapping of the window or of its new ancestors, property
// changes), so the moment is seen one server round trip after it happens; a re-check every 50 ms
// is only a safety net.
class TrayWatch
{
public:
    using Clock = std::chrono::steady_clock;

    explicit TrayWatch(XDisplay& display) : m_display(display) { }

    // Watches the root for new windows. Call before the process starts, so none of its windows is missed.
    bool start(std::string* error);
    // Also considers the windows of the process that exist already (for a process started earlier).
    void addExistingWindows();
    void setPid(pid_t pid) { m_pid = pid; }

    // The embedded icon, or nothing at `deadline` or once `stillWaiting` says false.
    std::optional<XDisplay::Window> wait(Clock::time_point deadline, const std::function<bool()>& stillWaiting);
    xcb_window_t window() const { return m_found; }
    // Whether an X event (rather than the safety re-check) led to the finding.
    bool foundByEvent() const { return m_foundByEvent; }

private:
    void addCandidate(xcb_window_t window);
    void addTree(xcb_window_t window, bool topLevel);
    void watchAncestors(xcb_window_t window);
    bool drainEvents(bool queuedOnly);
    std::optional<XDisplay::Window> check();

    XDisplay& m_display;
    pid_t m_pid = 0;
    std::set<xcb_window_t> m_candidates;
    std::set<xcb_window_t> m_ancestors;
    xcb_window_t m_found = XCB_NONE;
    bool m_foundByEvent = false;
};
