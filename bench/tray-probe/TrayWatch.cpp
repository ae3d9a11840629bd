#include "TrayWatch.h"

#include <poll.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {
constexpr uint32_t candidateEvents = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
constexpr auto safetyRecheck = std::chrono::milliseconds(50);
} // namespace

bool TrayWatch::start(std::string* error)
{
    if (!m_display.select(m_display.root(), XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY)) {
        *error = "cannot watch the root window";
        return false;
    }
    xcb_flush(m_display.connection());
    return true;
}

void TrayWatch::addExistingWindows()
{
    addTree(m_display.root(), true);
}

void TrayWatch::addTree(xcb_window_t window, bool topLevel)
{
    for (xcb_window_t child : m_display.children(window)) {
        const XDisplay::Window info = m_display.inspect(child);
        // A window without _NET_WM_PID yet may be one of ours that was just created; those are top-level.
        if (info.exists && ((info.pid && *info.pid == m_pid) || (!info.pid && topLevel))) {
            addCandidate(child);
        }
        addTree(child, false);
    }
}

void TrayWatch::addCandidate(xcb_window_t window)
{
    if (m_candidates.insert(window).second) {
        m_display.select(window, candidateEvents);
    }
}

// A window inside an unmapped parent becomes viewable when that parent is mapped: watch the new ancestors.
void TrayWatch::watchAncestors(xcb_window_t window)
{
    while (window != XCB_NONE && window != m_display.root() && m_ancestors.insert(window).second) {
        m_display.select(window, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
        window = m_display.inspect(window).parent;
    }
}

// `queuedOnly`: just what xcb has read already (while waiting for replies), without reading the socket.
bool TrayWatch::drainEvents(bool queuedOnly)
{
    bool any = false;
    xcb_connection_t* connection = m_display.connection();
    while (xcb_generic_event_t* event =
               queuedOnly ? xcb_poll_for_queued_event(connection) : xcb_poll_for_event(connection)) {
        if ((event->response_type & 0x7f) == XCB_CREATE_NOTIFY) {
            addCandidate(reinterpret_cast<xcb_create_notify_event_t*>(event)->window);
        }
        std::free(event);
        any = true;
    }
    return any;
}

std::optional<XDisplay::Window> TrayWatch::check()
{
    std::vector<xcb_window_t> gone;
    std::optional<XDisplay::Window> result;
    for (xcb_window_t window : m_candidates) {
        const XDisplay::Window info = m_display.inspect(window);
        if (!info.exists || (info.pid && *info.pid != m_pid)) {
            gone.push_back(window);
            continue;
        }
        if (info.parent != m_display.root()) {
            watchAncestors(info.parent);
        }
        if (info.pid && info.xembed && info.viewable && info.parent != m_display.root()) {
            m_found = window;
            result = info;
            break;
        }
    }
    for (xcb_window_t window : gone) {
        m_candidates.erase(window);
    }
    xcb_flush(m_display.connection());
    return result;
}

std::optional<XDisplay::Window> TrayWatch::wait(Clock::time_point deadline, const std::function<bool()>& stillWaiting)
{
    pollfd descriptor {m_display.fd(), POLLIN, 0};
    Clock::time_point lastCheck = Clock::now();
    bool mustCheck = true;
    while (true) {
        if (drainEvents(false)) {
            mustCheck = true;
        }
        if (xcb_connection_has_error(m_display.connection())) {
            return std::nullopt;
        }
        if (mustCheck || Clock::now() - lastCheck >= safetyRecheck) {
            m_foundByEvent = mustCheck;
            if (const auto found = check()) {
                return found;
            }
            lastCheck = Clock::now();
            // Events read while waiting for the replies are not signalled on the socket again.
            mustCheck = drainEvents(true);
            if (mustCheck) {
                continue;
            }
        }
        const Clock::time_point now = Clock::now();
        if (now >= deadline || !stillWaiting()) {
            return std::nullopt;
        }
        const auto wait = std::min<Clock::duration>(deadline - now, lastCheck + safetyRecheck - now);
        const int timeoutMs = int(std::chrono::duration_cast<std::chrono::milliseconds>(wait).count()) + 1;
        ::poll(&descriptor, 1, timeoutMs);
    }
}
