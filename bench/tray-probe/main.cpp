// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

// Watches an X tray for the benchmarks and the demo:
//   tray-probe launch [--timeout MS] [--child-log FILE] -- PROGRAM [ARGS...]
//       starts PROGRAM, prints the time from just before fork() until its tray icon is embedded, then stays
//       until PROGRAM ends and exits with its status.
//   tray-probe wait-embedded --pid PID [--timeout MS]      waits for the tray icon of a running process.
//   tray-probe wait-color --window WID --color RRGGBB [--min-pixels N] [--timeout MS]
//       waits until at least N pixels of the window on the screen are close to the colour.
// Embedded: a window with the program's _NET_WM_PID and _XEMBED_INFO, reparented away from the root and
// viewable. X events (creation, reparenting, mapping of the window or its new ancestors, property changes)
// trigger the check, so the moment is seen about one round trip after it; a re-check every 50 ms is a safety net.
// Output: shell assignments (PID, WINDOW, X, Y, WIDTH, HEIGHT, EMBEDDED_MS, CPU_MS, DETECTED_BY, PIXELS).
// Exit status: 0 found, 1 error, 2 usage, 3 timed out, 4 the program exited first.
#include <xcb/xcb.h>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;
enum Exit { Found = 0, Error = 1, Usage = 2, TimedOut = 3, ProgramExited = 4 };

template<typename T>
std::unique_ptr<T, decltype(&std::free)> reply(T* pointer)
{
    return {pointer, &std::free};
}

struct Window
{
    bool exists = false, viewable = false, xembed = false;
    long pid = -1; // _NET_WM_PID, -1 when unset
    xcb_window_t parent = XCB_NONE;
    int x = 0, y = 0, width = 0, height = 0; // root coordinates
    std::vector<xcb_window_t> children;
};

struct Display
{
    xcb_connection_t* c = nullptr;
    xcb_screen_t* screen = nullptr;
    xcb_atom_t pidAtom = XCB_NONE, xembedAtom = XCB_NONE;

    ~Display() { xcb_disconnect(c); }
    bool open()
    {
        int number = 0;
        c = xcb_connect(nullptr, &number);
        if (xcb_connection_has_error(c)) {
            return false;
        }
        auto it = xcb_setup_roots_iterator(xcb_get_setup(c));
        for (; number > 0 && it.rem; --number) {
            xcb_screen_next(&it);
        }
        screen = it.data;
        pidAtom = atom("_NET_WM_PID");
        xembedAtom = atom("_XEMBED_INFO");
        return it.rem;
    }
    xcb_atom_t atom(const char* name)
    {
        auto a = reply(xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr));
        return a ? a->atom : XCB_NONE;
    }
    xcb_window_t root() const { return screen->root; }
    void select(xcb_window_t window, uint32_t mask)
    {
        xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &mask);
    }
    // Everything a check needs, in one round trip.
    Window inspect(xcb_window_t window)
    {
        const auto attributesCookie = xcb_get_window_attributes(c, window);
        const auto treeCookie = xcb_query_tree(c, window);
        const auto geometryCookie = xcb_get_geometry(c, window);
        const auto positionCookie = xcb_translate_coordinates(c, window, root(), 0, 0);
        const auto xembedCookie = xcb_get_property(c, 0, window, xembedAtom, XCB_GET_PROPERTY_TYPE_ANY, 0, 2);
        const auto pidCookie = xcb_get_property(c, 0, window, pidAtom, XCB_ATOM_CARDINAL, 0, 1);
        auto attributes = reply(xcb_get_window_attributes_reply(c, attributesCookie, nullptr));
        auto tree = reply(xcb_query_tree_reply(c, treeCookie, nullptr));
        auto geometry = reply(xcb_get_geometry_reply(c, geometryCookie, nullptr));
        auto position = reply(xcb_translate_coordinates_reply(c, positionCookie, nullptr));
        auto xembed = reply(xcb_get_property_reply(c, xembedCookie, nullptr));
        auto pid = reply(xcb_get_property_reply(c, pidCookie, nullptr));
        Window info;
        if (!attributes || !tree || !geometry || !position) {
            return info; // destroyed meanwhile
        }
        info = {true, attributes->map_state == XCB_MAP_STATE_VIEWABLE, xembed && xembed->type != XCB_NONE, -1,
            tree->parent, position->dst_x, position->dst_y, geometry->width, geometry->height, {}};
        if (pid && pid->format == 32 && xcb_get_property_value_length(pid.get()) == 4) {
            info.pid = *static_cast<const uint32_t*>(xcb_get_property_value(pid.get()));
        }
        const xcb_window_t* first = xcb_query_tree_children(tree.get());
        info.children.assign(first, first + xcb_query_tree_children_length(tree.get()));
        return info;
    }
};

// Waits for the embedded icon of one process among the candidate windows.
class TrayWatch
{
public:
    explicit TrayWatch(Display& display) : d(display)
    {
        d.select(d.root(), XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY); // window creation
        xcb_flush(d.c);
    }
    // For a process started earlier: its windows anywhere, and top-level windows without _NET_WM_PID yet.
    void addExisting(xcb_window_t window, int depth = 0)
    {
        const Window info = d.inspect(window);
        if (depth > 0 && (info.pid == pid || (info.pid < 0 && depth == 1))) {
            addCandidate(window);
        }
        for (xcb_window_t child : info.children) {
            addExisting(child, depth + 1);
        }
    }
    std::optional<Window> wait(Clock::time_point deadline, const std::function<bool()>& running)
    {
        pollfd socket {xcb_get_file_descriptor(d.c), POLLIN, 0};
        bool event = true;
        while (!xcb_connection_has_error(d.c)) {
            event = drain(xcb_poll_for_event) || event;
            foundByEvent = event;
            if (auto found = check()) {
                return found;
            }
            // Events read along with the replies are not signalled on the socket again.
            if ((event = drain(xcb_poll_for_queued_event))) {
                continue;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0 || !running()) {
                break;
            }
            ::poll(&socket, 1, int(std::min<long>(50, left.count() + 1)));
        }
        return std::nullopt;
    }

    pid_t pid = 0;
    xcb_window_t found = XCB_NONE;
    bool foundByEvent = false;

private:
    void addCandidate(xcb_window_t window)
    {
        if (m_candidates.insert(window).second) {
            d.select(window, XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE);
        }
    }
    bool drain(xcb_generic_event_t* (*next)(xcb_connection_t*))
    {
        bool any = false;
        while (xcb_generic_event_t* event = next(d.c)) {
            if ((event->response_type & 0x7f) == XCB_CREATE_NOTIFY) {
                addCandidate(reinterpret_cast<xcb_create_notify_event_t*>(event)->window);
            }
            std::free(event);
            any = true;
        }
        return any;
    }
    std::optional<Window> check()
    {
        for (auto it = m_candidates.begin(); it != m_candidates.end();) {
            const Window info = d.inspect(*it);
            if (!info.exists || (info.pid >= 0 && info.pid != pid)) {
                it = m_candidates.erase(it);
                continue;
            }
            // Inside an unmapped parent the window becomes viewable when that parent is mapped.
            for (xcb_window_t w = info.parent; w != XCB_NONE && w != d.root() && m_ancestors.insert(w).second;
                 w = d.inspect(w).parent) {
                d.select(w, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
            }
            if (info.pid == pid && info.xembed && info.viewable && info.parent != d.root()) {
                found = *it;
                return info;
            }
            ++it;
        }
        xcb_flush(d.c);
        return std::nullopt;
    }

    Display& d;
    std::set<xcb_window_t> m_candidates, m_ancestors;
};

int usage(const char* message)
{
    std::fprintf(stderr,
        "tray-probe: %s\nusage: tray-probe launch [--timeout MS] [--child-log FILE] -- PROGRAM [ARGS...]\n"
        "       tray-probe wait-embedded --pid PID [--timeout MS]\n"
        "       tray-probe wait-color --window WID --color RRGGBB [--min-pixels N] [--timeout MS]\n",
        message);
    return Usage;
}

int fail(const char* message)
{
    std::fprintf(stderr, "tray-probe: %s\n", message);
    return Error;
}

// CPU time of the live threads of a process so far (schedstat, nanosecond resolution).
double cpuMilliseconds(pid_t pid)
{
    const std::string taskDir = "/proc/" + std::to_string(pid) + "/task/";
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(taskDir.c_str()), &::closedir);
    unsigned long long total = 0, onCpu = 0;
    while (const dirent* entry = dir ? ::readdir(dir.get()) : nullptr) {
        std::ifstream stat(taskDir + entry->d_name + "/schedstat");
        if (entry->d_name[0] != '.' && stat >> onCpu) {
            total += onCpu;
        }
    }
    return double(total) / 1e6;
}

void printWindow(pid_t pid, xcb_window_t window, const Window& info)
{
    std::printf("PID=%d\nWINDOW=0x%x\nX=%d\nY=%d\nWIDTH=%d\nHEIGHT=%d\n", int(pid), window, info.x, info.y, info.width,
        info.height);
}

int launch(Display& display, long timeoutMs, const char* childLog, char** program)
{
    TrayWatch watch(display); // before the program starts, so that none of its windows is missed
    std::fflush(stdout);
    const Clock::time_point started = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = childLog ? ::open(childLog, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644) : -1;
        if (childLog && (fd < 0 || ::dup2(fd, STDOUT_FILENO) < 0 || ::dup2(fd, STDERR_FILENO) < 0)) {
            ::_exit(127);
        }
        ::execvp(program[0], program);
        std::fprintf(stderr, "tray-probe: cannot run %s: %s\n", program[0], std::strerror(errno));
        ::_exit(127);
    }
    watch.pid = pid;
    int status = 0;
    const auto found = watch.wait(
        started + std::chrono::milliseconds(timeoutMs), [&] { return ::waitpid(pid, &status, WNOHANG) != pid; });
    if (!found) {
        std::fprintf(stderr, "tray-probe: %s\n", ::kill(pid, 0) ? "the program exited first" : "no icon in time");
        return ::kill(pid, 0) ? ProgramExited : TimedOut;
    }
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
    printWindow(pid, watch.found, *found);
    std::printf("EMBEDDED_MS=%.3f\nCPU_MS=%.3f\nDETECTED_BY=%s\n", ms, cpuMilliseconds(pid),
        watch.foundByEvent ? "event" : "recheck");
    std::fflush(stdout);
    // Stay the program's parent, so whoever started the probe can stop the program and have it reaped.
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int waitEmbedded(Display& display, long timeoutMs, pid_t pid)
{
    TrayWatch watch(display);
    watch.pid = pid;
    watch.addExisting(display.root());
    const auto found = watch.wait(
        Clock::now() + std::chrono::milliseconds(timeoutMs), [pid] { return ::kill(pid, 0) == 0 || errno == EPERM; });
    if (!found) {
        return ::kill(pid, 0) && errno == ESRCH ? ProgramExited : TimedOut;
    }
    printWindow(pid, watch.found, *found);
    return Found;
}

// Counts the window's pixels on the screen within 40 of the colour in each channel (24-bit screens only).
int waitColor(Display& d, long timeoutMs, xcb_window_t window, uint32_t color, long minPixels)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    long matching = 0;
    for (;; std::this_thread::sleep_for(std::chrono::milliseconds(50))) {
        const Window info = d.inspect(window);
        if (!info.exists || d.screen->root_depth != 24) {
            return fail("the window is gone, or the screen is not 24-bit");
        }
        auto image = reply(xcb_get_image_reply(d.c,
            xcb_get_image(d.c, XCB_IMAGE_FORMAT_Z_PIXMAP, d.root(), int16_t(info.x), int16_t(info.y),
                uint16_t(info.width), uint16_t(info.height), ~0u),
            nullptr));
        if (!image || xcb_get_image_data_length(image.get()) < info.width * info.height * 4) {
            return fail("cannot read the window's pixels");
        }
        const uint8_t* p = xcb_get_image_data(image.get()); // B, G, R, unused
        matching = 0;
        for (int i = 0; i < info.width * info.height; ++i, p += 4) {
            const auto near = [&](int value, int shift) {
                return std::abs(value - int((color >> shift) & 0xff)) <= 40;
            };
            matching += near(p[2], 16) && near(p[1], 8) && near(p[0], 0);
        }
        if (matching >= minPixels || Clock::now() >= deadline) {
            break;
        }
    }
    std::printf("PIXELS=%ld\n", matching);
    return matching >= minPixels ? Found : TimedOut;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        return usage("no command");
    }
    const std::string command = argv[1];
    long timeoutMs = 20000, pid = 0, window = 0, color = -1, minPixels = 4;
    const std::map<std::string, long*> numbers = {{"--timeout", &timeoutMs}, {"--pid", &pid}, {"--window", &window},
        {"--color", &color}, {"--min-pixels", &minPixels}};
    const char* childLog = nullptr;
    char** program = nullptr;
    for (int i = 2; i < argc && !program; i += 2) {
        const std::string name = argv[i];
        if (name == "--") {
            program = argv + i + 1;
        } else if (i + 1 >= argc) {
            return usage("option without a value");
        } else if (name == "--child-log") {
            childLog = argv[i + 1];
        } else if (numbers.count(name)) {
            const char* value = argv[i + 1] + (name == "--color" && argv[i + 1][0] == '#');
            char* end = nullptr;
            *numbers.at(name) = std::strtol(value, &end, name == "--color" ? 16 : name == "--window" ? 0 : 10);
            if (end == value || *end != '\0' || *numbers.at(name) < 0) {
                return usage("bad option value");
            }
        } else {
            return usage("unknown option");
        }
    }
    const bool launching = command == "launch" && program && program[0];
    if (!launching && !(command == "wait-embedded" && pid > 0) &&
        !(command == "wait-color" && window > 0 && color >= 0)) {
        return usage("unknown command or missing option");
    }
    Display display;
    if (!display.open()) {
        return fail("cannot open the display");
    }
    if (launching) {
        return launch(display, timeoutMs, childLog, program);
    }
    return command == "wait-embedded" ? waitEmbedded(display, timeoutMs, pid_t(pid))
                                      : waitColor(display, timeoutMs, xcb_window_t(window), uint32_t(color), minPixels);
}
