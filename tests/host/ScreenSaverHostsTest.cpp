// SPDX-License-Identifier: GPL-3.0-or-later
// The installed program under the real hosts: the xscreensaver daemon, the settings
// dialog's preview command line and xsecurelock's saver multiplexer.
#include "TestSupport.h"
#include "XServer.h"

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <pwd.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

#if defined(__SANITIZE_ADDRESS__)
constexpr auto kPromptExit = 3000ms;
#else
constexpr auto kPromptExit = 500ms;
#endif
constexpr std::uint32_t kBackground = 0x10C080;

// Installs the build into a private prefix that an unprivileged user can read.
class InstalledTree {
public:
    InstalledTree()
    {
        fs::permissions(mFolder.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec
                | fs::perms::others_read | fs::perms::others_exec);
        const std::string command = "cmake --install '" SKYVANES_BUILD_DIR "' --prefix '" + prefix().string() + "' >/dev/null";
        mInstalled = std::system(command.c_str()) == 0;
    }
    bool installed() const { return mInstalled; }
    fs::path prefix() const { return mFolder.path() / "usr"; }
    fs::path folder() const { return mFolder.path(); }

private:
    TemporaryFolder mFolder;
    bool mInstalled { false };
};

// True when the window, or a window inside it, shows the colour at (5, 5).
bool shows(XServer& server, std::uint32_t window, std::uint32_t rgb)
{
    if (server.pixel(window, 5, 5) == rgb)
        return true;
    for (auto child : server.children(window)) {
        if (shows(server, child, rgb))
            return true;
    }
    return false;
}

bool showsWithin(XServer& server, std::uint32_t window, std::chrono::milliseconds limit)
{
    for (auto end = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < end;) {
        if (shows(server, window, kBackground))
            return true;
        std::this_thread::sleep_for(50ms);
    }
    return false;
}

// The process running the installed program, found by its executable.
std::optional<pid_t> saverProcess(const fs::path& program)
{
    for (auto& entry : fs::directory_iterator("/proc")) {
        std::error_code error;
        if (fs::read_symlink(entry.path() / "exe", error) == program)
            return std::stoi(entry.path().filename().string());
    }
    return std::nullopt;
}

// Gone, or a zombie its parent has not reaped yet.
bool exitedWithin(pid_t pid, std::chrono::milliseconds limit)
{
    for (auto end = std::chrono::steady_clock::now() + limit;; std::this_thread::sleep_for(10ms)) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string field, state;
        stat >> field >> field >> state;
        if (!stat || state == "Z")
            return true;
        if (std::chrono::steady_clock::now() > end)
            return false;
    }
}

int runToEnd(const std::vector<std::string>& arguments, const std::vector<std::string>& environment)
{
    return ProgramRun(arguments, environment).wait(20000).value_or(-1);
}

std::string hex(std::uint32_t window)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%x", window);
    return text;
}

}

TEST(ScreenSaverHosts, TheXscreensaverDaemonRunsAndStopsTheInstalledHack)
{
    auto server = XServer::start();
    ASSERT_TRUE(server) << "Xvfb is needed";
    InstalledTree tree;
    ASSERT_TRUE(tree.installed());
    const fs::path home = tree.folder() / "home";
    fs::create_directories(home);
    std::ofstream(home / ".xscreensaver") << "mode: one\nselected: 0\ntimeout: 0:30:00\nlock: False\nfade: False\n"
                                             "unfade: False\nsplash: False\ndpmsEnabled: False\n"
                                             "programs: GL: skyvanes --root -BackColor '#10C080' \\n\n";
    // xscreensaver runs no hack as root: the daemon runs as nobody then.
    std::vector<std::string> daemon { "/usr/bin/xscreensaver", "-no-splash" };
    if (::geteuid() == 0) {
        const passwd* nobody = ::getpwnam("nobody");
        ASSERT_TRUE(nobody);
        ASSERT_EQ(::chown(home.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
        ASSERT_EQ(::chown((home / ".xscreensaver").c_str(), nobody->pw_uid, nobody->pw_gid), 0);
        daemon.insert(daemon.begin(), { "/usr/bin/setpriv", "--reuid=nobody", "--regid=" + std::to_string(nobody->pw_gid), "--clear-groups" });
    }
    const std::vector<std::string> environment { "HOME=" + home.string(), "DISPLAY=" + server->display(),
        "PATH=" + (tree.prefix() / "bin").string() + ":/usr/bin:/bin", "QT_QPA_PLATFORM=xcb",
        "XDG_CONFIG_HOME=" + (home / ".config").string() };
    ProgramRun xscreensaver(daemon, environment);
    auto command = [&](const char* verb) { return runToEnd({ "/usr/bin/xscreensaver-command", verb }, environment); };
    for (int i = 0; i < 100 && command("-version") != 0; ++i)
        std::this_thread::sleep_for(100ms);
    ASSERT_EQ(command("-activate"), 0);

    const auto root = xcb_setup_roots_iterator(xcb_get_setup(server->connection())).data->root;
    EXPECT_TRUE(showsWithin(*server, root, 15s));
    const auto saver = saverProcess(tree.prefix() / "bin" / "skyvanes");
    ASSERT_TRUE(saver);
    ASSERT_EQ(command("-deactivate"), 0);
    EXPECT_TRUE(exitedWithin(*saver, kPromptExit));
    command("-exit");
    xscreensaver.wait(5000);
}

TEST(ScreenSaverHosts, ThePreviewAndXsecurelockDrawWhereTheyAreTold)
{
    auto server = XServer::start();
    ASSERT_TRUE(server) << "Xvfb is needed";
    InstalledTree tree;
    ASSERT_TRUE(tree.installed());
    const std::vector<std::string> environment { "DISPLAY=" + server->display(), "QT_QPA_PLATFORM=xcb",
        "XDG_CONFIG_HOME=" + (tree.folder() / "config").string() };

    // The settings dialog appends --window-id to the listed command line.
    const auto pane = server->createWindow(200, 150);
    ProgramRun preview({ (tree.prefix() / "libexec/xscreensaver/skyvanes").string(), "--root", "-BackColor", "#10C080",
                           "--window-id", hex(pane) },
        environment);
    EXPECT_TRUE(showsWithin(*server, pane, 10s));
    const auto sent = std::chrono::steady_clock::now();
    EXPECT_EQ(preview.signalAndWait(SIGTERM, 5000), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - sent, kPromptExit);

    // xsecurelock's multiplexer hands each saver a window in decimal.
    const auto lock = server->createWindow(320, 240);
    auto lockEnvironment = environment;
    lockEnvironment.push_back("XSCREENSAVER_WINDOW=" + std::to_string(lock));
    lockEnvironment.push_back("XSECURELOCK_SAVER=" + (tree.prefix() / "libexec/xsecurelock/saver_skyvanes").string());
    ASSERT_EQ(runToEnd({ (tree.prefix() / "bin/skyvanes").string(), "defaults", "write", "org.skyvanes.Skyvanes", "BackColor",
                  "-color", "#10C080" },
                  lockEnvironment),
        0);
    ProgramRun multiplex({ "/usr/libexec/xsecurelock/saver_multiplex" }, lockEnvironment);
    EXPECT_TRUE(showsWithin(*server, lock, 10s));
    const auto saver = saverProcess(tree.prefix() / "bin" / "skyvanes");
    ASSERT_TRUE(saver);
    // Stopping the lock stops the multiplexer, which stops its savers.
    multiplex.signalAndWait(SIGTERM, 5000);
    EXPECT_TRUE(exitedWithin(*saver, kPromptExit));
}
