// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct xcb_connection_t;

// How soon a saver told to stop must be gone. The tests that time it run alone, so
// other tests' load does not count against it; bench/saver-exit gives the times. A
// sanitized build spends most of a second checking for leaks or races at exit.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr auto kPromptExit = std::chrono::milliseconds(3000);
#else
inline constexpr auto kPromptExit = std::chrono::milliseconds(500);
#endif

// A child process running the program with extra environment; killed if still alive.
class ProgramRun {
public:
    // beforeExec runs in the child just before the program starts, to point its
    // descriptors elsewhere; it may call only what is safe after fork.
    ProgramRun(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
        const std::function<void()>& beforeExec = {});
    ~ProgramRun();
    bool running() const { return mPid > 0 && !mStatus; }
    // The child's process id.
    int pid() const { return mPid; }
    // Sends a signal, then waits up to timeoutMs for the exit; the exit status, or nothing.
    std::optional<int> signalAndWait(int signal, int timeoutMs);
    // Waits up to timeoutMs; the exit status (128 + n for a signal), or nothing.
    std::optional<int> wait(int timeoutMs);

private:
    int mPid { -1 };
    std::optional<int> mStatus;
};

// A private Xvfb server for tests that need a real X display, with a connection to it.
class XServer {
public:
    // Null when Xvfb cannot be started; each of the screens has the same size.
    static std::unique_ptr<XServer> start(int width = 640, int height = 480, int screens = 1);
    ~XServer();

    const std::string& display() const { return mDisplay; }
    xcb_connection_t* connection() const { return mConnection; }

    // A mapped top-level window, as a screen saver host would make.
    std::uint32_t createWindow(int width, int height);
    // Destroys a window, as a host does when it stops its saver.
    void destroyWindow(std::uint32_t window);
    // Gives a window a new size, as a host does when its screen changes.
    void resizeWindow(std::uint32_t window, int width, int height);
    // The children of a window.
    std::vector<std::uint32_t> children(std::uint32_t window);
    // The top-level windows that are shown.
    std::vector<std::uint32_t> shownTopLevels();
    // Asks a window to close, as a window manager's close button does.
    void closeWindow(std::uint32_t window);
    // The colour at (x, y) of a window as 0xRRGGBB, or nothing.
    std::optional<std::uint32_t> pixel(std::uint32_t window, int x, int y);
    // Polls for up to timeoutMs until a window inside the given one, at any depth, shows
    // a colour that passes the test at (x, y).
    bool shows(std::uint32_t window, const std::function<bool(std::uint32_t)>& colour, int timeoutMs = 10000, int x = 5, int y = 5);

private:
    void roundTrip();
    bool showsNow(std::uint32_t window, const std::function<bool(std::uint32_t)>& colour, int x, int y);
    XServer() = default;
    std::optional<ProgramRun> mProcess;
    std::string mDisplay;
    xcb_connection_t* mConnection { nullptr };
};
