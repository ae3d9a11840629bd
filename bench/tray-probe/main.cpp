// Watches an X tray for the demo and the benchmarks:
//   tray-probe launch [--timeout MS] [--child-log FILE] -- PROGRAM [ARGS...]
//       starts PROGRAM and measures the time from its start to its tray icon being embedded, prints
//       the result, then stays until PROGRAM ends and exits with PROGRAM's status.
//   tray-probe wait-embedded --pid PID [--timeout MS]
//       waits for the tray icon of a running process.
//   tray-probe wait-color --window WID --color RRGGBB [--min-pixels N] [--timeout MS]
//       waits until at least N pixels of the window on the screen are close to the colour.
// Results go to stdout as shell assignments (PID=, WINDOW=, X=, Y=, WIDTH=, HEIGHT=, EMBEDDED_MS=, CPU_MS=,
// DETECTED_BY=, PIXELS=). CPU_MS is the program's CPU time up to the embedding, which load changes far less.
// Exit status: 0 found (launch: the program's exit status once it ends), 1 error, 2 usage, 3 timed out,
// 4 the program exited first.
#include "TrayWatch.h"
#include "XDisplay.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

enum Exit { Found = 0, Error = 1, Usage = 2, TimedOut = 3, ProgramExited = 4 };

int usage(const char* message)
{
    std::fprintf(stderr,
        "tray-probe: %s\n"
        "usage: tray-probe launch [--timeout MS] [--child-log FILE] -- PROGRAM [ARGS...]\n"
        "       tray-probe wait-embedded --pid PID [--timeout MS]\n"
        "       tray-probe wait-color --window WID --color RRGGBB [--min-pixels N] [--timeout MS]\n",
        message);
    return Usage;
}

int fail(const std::string& message)
{
    std::fprintf(stderr, "tray-probe: %s\n", message.c_str());
    return Error;
}

bool parseNumber(const char* text, long* value, int base = 10)
{
    char* end = nullptr;
    errno = 0;
    *value = std::strtol(text, &end, base);
    return errno == 0 && end != text && *end == '\0';
}

// CPU time of all live threads of a process so far, in milliseconds (schedstat, nanosecond resolution).
double cpuMilliseconds(pid_t pid)
{
    const std::string taskDir = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = ::opendir(taskDir.c_str());
    if (!dir) {
        return -1;
    }
    unsigned long long total = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.') {
            continue;
        }
        std::ifstream stat(taskDir + "/" + entry->d_name + "/schedstat");
        unsigned long long onCpu = 0;
        if (stat >> onCpu) {
            total += onCpu;
        }
    }
    ::closedir(dir);
    return double(total) / 1e6;
}

void printWindow(const XDisplay::Window& info, xcb_window_t window)
{
    std::printf("WINDOW=0x%x\nX=%d\nY=%d\nWIDTH=%d\nHEIGHT=%d\n", window, info.x, info.y, info.width, info.height);
}

struct Options
{
    long timeoutMs = 20000;
    long pid = 0;
    long window = 0;
    long color = -1;
    long minPixels = 4;
    const char* childLog = nullptr;
    std::vector<char*> program;
};

// Parses the options after the command; `error` is set for a usage error.
Options parse(int argc, char** argv, const char** error)
{
    Options options;
    for (int i = 2; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--") {
            options.program.assign(argv + i + 1, argv + argc);
            break;
        }
        if (i + 1 >= argc) {
            *error = "option without a value";
            return options;
        }
        const char* value = argv[++i];
        bool ok = true;
        if (name == "--timeout") {
            ok = parseNumber(value, &options.timeoutMs) && options.timeoutMs > 0;
        } else if (name == "--pid") {
            ok = parseNumber(value, &options.pid) && options.pid > 0;
        } else if (name == "--window") {
            ok = parseNumber(value, &options.window, 0) && options.window > 0;
        } else if (name == "--color") {
            ok = parseNumber(value[0] == '#' ? value + 1 : value, &options.color, 16) && options.color >= 0;
        } else if (name == "--min-pixels") {
            ok = parseNumber(value, &options.minPixels) && options.minPixels > 0;
        } else if (name == "--child-log") {
            options.childLog = value;
        } else {
            *error = "unknown option";
            return options;
        }
        if (!ok) {
            *error = "bad option value";
            return options;
        }
    }
    options.program.push_back(nullptr);
    return options;
}

pid_t startProgram(const Options& options)
{
    const pid_t pid = ::fork();
    if (pid != 0) {
        return pid;
    }
    if (options.childLog) {
        const int fd = ::open(options.childLog, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd < 0 || ::dup2(fd, STDOUT_FILENO) < 0 || ::dup2(fd, STDERR_FILENO) < 0) {
            ::_exit(127);
        }
    }
    ::execvp(options.program[0], options.program.data());
    std::fprintf(stderr, "tray-probe: cannot run %s: %s\n", options.program[0], std::strerror(errno));
    ::_exit(127);
}

int launch(const Options& options)
{
    if (options.program.size() < 2) {
        return usage("launch needs -- PROGRAM");
    }
    XDisplay display;
    std::string error;
    if (!display.open(&error)) {
        return fail(error);
    }
    TrayWatch watch(display);
    if (!watch.start(&error)) {
        return fail(error);
    }

    std::fflush(stdout);
    const Clock::time_point started = Clock::now();
    const pid_t pid = startProgram(options);
    if (pid < 0) {
        return fail(std::string("fork: ") + std::strerror(errno));
    }
    watch.setPid(pid);
    std::printf("PID=%d\n", int(pid));

    int status = 0;
    bool exited = false;
    const auto running = [&] {
        exited = ::waitpid(pid, &status, WNOHANG) == pid;
        return !exited;
    };
    const auto found = watch.wait(started + std::chrono::milliseconds(options.timeoutMs), running);
    if (!found) {
        if (exited) {
            std::fprintf(
                stderr, "tray-probe: %s exited (status %d) before its icon was embedded\n", options.program[0], status);
            return ProgramExited;
        }
        std::fprintf(stderr, "tray-probe: no embedded tray icon after %ld ms\n", options.timeoutMs);
        return TimedOut;
    }
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
    const double cpuMs = cpuMilliseconds(pid);
    printWindow(*found, watch.window());
    std::printf(
        "EMBEDDED_MS=%.3f\nCPU_MS=%.3f\nDETECTED_BY=%s\n", ms, cpuMs, watch.foundByEvent() ? "event" : "recheck");
    std::fflush(stdout);
    display.close();

    // Stay the program's parent, so whoever started the probe can stop the program and have it reaped.
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int waitEmbedded(const Options& options)
{
    if (options.pid <= 0) {
        return usage("wait-embedded needs --pid");
    }
    XDisplay display;
    std::string error;
    if (!display.open(&error)) {
        return fail(error);
    }
    TrayWatch watch(display);
    if (!watch.start(&error)) {
        return fail(error);
    }
    watch.setPid(pid_t(options.pid));
    watch.addExistingWindows();
    const pid_t pid = pid_t(options.pid);
    const auto alive = [pid] {
        return ::kill(pid, 0) == 0 || errno == EPERM;
    };
    const auto found = watch.wait(Clock::now() + std::chrono::milliseconds(options.timeoutMs), alive);
    if (!found) {
        if (!alive()) {
            std::fprintf(stderr, "tray-probe: process %d is gone\n", int(pid));
            return ProgramExited;
        }
        std::fprintf(
            stderr, "tray-probe: no embedded tray icon of process %d after %ld ms\n", int(pid), options.timeoutMs);
        return TimedOut;
    }
    std::printf("PID=%d\n", int(pid));
    printWindow(*found, watch.window());
    return Found;
}

int channelDistance(uint32_t a, uint32_t b, int shift)
{
    return std::abs(int((a >> shift) & 0xff) - int((b >> shift) & 0xff));
}

int waitColor(const Options& options)
{
    if (options.window <= 0 || options.color < 0) {
        return usage("wait-color needs --window and --color");
    }
    constexpr int tolerance = 40;
    XDisplay display;
    std::string error;
    if (!display.open(&error)) {
        return fail(error);
    }
    const xcb_window_t window = xcb_window_t(options.window);
    const uint32_t wanted = uint32_t(options.color);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(options.timeoutMs);
    long matching = 0;
    while (true) {
        const XDisplay::Window info = display.inspect(window);
        if (!info.exists) {
            return fail("the window is gone");
        }
        const std::vector<uint32_t> pixels = display.grab(info.x, info.y, info.width, info.height, &error);
        if (pixels.empty()) {
            return fail(error);
        }
        matching = 0;
        for (uint32_t pixel : pixels) {
            if (channelDistance(pixel, wanted, 16) <= tolerance && channelDistance(pixel, wanted, 8) <= tolerance &&
                channelDistance(pixel, wanted, 0) <= tolerance) {
                ++matching;
            }
        }
        if (matching >= options.minPixels) {
            std::printf("PIXELS=%ld\n", matching);
            return Found;
        }
        if (Clock::now() >= deadline) {
            std::printf("PIXELS=%ld\n", matching);
            std::fprintf(stderr, "tray-probe: only %ld pixels of #%06lx after %ld ms\n", matching, options.color,
                options.timeoutMs);
            return TimedOut;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        return usage("no command");
    }
    const char* error = nullptr;
    const Options options = parse(argc, argv, &error);
    if (error) {
        return usage(error);
    }
    const std::string command = argv[1];
    if (command == "launch") {
        return launch(options);
    }
    if (command == "wait-embedded") {
        return waitEmbedded(options);
    }
    if (command == "wait-color") {
        return waitColor(options);
    }
    return usage("unknown command");
}
