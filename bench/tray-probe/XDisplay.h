#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

// The X connection of $DISPLAY and the few requests the probe makes.
class XDisplay
{
public:
    struct Window
    {
        bool exists = false;
        bool viewable = false;
        bool xembed = false; // carries _XEMBED_INFO
        std::optional<pid_t> pid; // _NET_WM_PID, when set
        xcb_window_t parent = XCB_NONE;
        int x = 0; // root coordinates
        int y = 0;
        int width = 0;
        int height = 0;
    };

    XDisplay() = default;
    ~XDisplay();
    XDisplay(const XDisplay&) = delete;
    XDisplay& operator=(const XDisplay&) = delete;

    bool open(std::string* error);
    void close();
    xcb_connection_t* connection() const { return m_connection; }
    xcb_window_t root() const { return m_root; }
    int fd() const;

    // Asks for the events of `mask` on `window`; false when the window is gone.
    bool select(xcb_window_t window, uint32_t mask);
    // Everything the tray checks need, in one round trip.
    Window inspect(xcb_window_t window);
    std::vector<xcb_window_t> children(xcb_window_t window);
    // 0xRRGGBB pixels of a rectangle of the screen, row by row; empty when it cannot be read.
    std::vector<uint32_t> grab(int x, int y, int width, int height, std::string* error);

private:
    xcb_atom_t atom(const char* name);

    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = XCB_NONE;
    uint8_t m_rootDepth = 0;
    std::map<std::string, xcb_atom_t> m_atoms;
};
