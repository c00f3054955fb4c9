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
#include <sstream>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

bool showsTheBackground(std::uint32_t rgb)
{
    return rgb == 0x10C080;
}

// Installs the build below folder (made readable for an unprivileged user); the prefix.
fs::path install(const TemporaryFolder& folder)
{
    fs::permissions(folder.path(), fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    const fs::path prefix = folder.path() / "usr";
    const std::string command = "cmake --install '" SKYVANES_BUILD_DIR "' --prefix '" + prefix.string() + "' >/dev/null";
    return std::system(command.c_str()) == 0 ? prefix : fs::path();
}

// The process running the program, found by its executable.
pid_t saverProcess(const fs::path& program)
{
    for (auto& entry : fs::directory_iterator("/proc")) {
        std::error_code error;
        if (fs::read_symlink(entry.path() / "exe", error) == program)
            return std::stoi(entry.path().filename().string());
    }
    return 0;
}

struct ProcessState {
    char state = 0; // none once the process is gone
    pid_t parent = 0;
};

ProcessState stateOf(pid_t pid)
{
    const std::string stat = fileContents("/proc/" + std::to_string(pid) + "/stat");
    std::istringstream fields(stat.substr(stat.rfind(')') + 1));
    ProcessState process;
    fields >> process.state >> process.parent;
    return process;
}

// Gone, or a zombie its parent has not reaped yet, within the limit.
bool exitsWithin(pid_t pid, std::chrono::milliseconds limit)
{
    return eventually([pid] { const char state = stateOf(pid).state; return state == 0 || state == 'Z'; }, limit);
}

// Where each thread of a process that did not end waits, for the failure message.
std::string threadsOf(pid_t pid)
{
    std::string threads;
    std::error_code error;
    for (auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        std::string name = fileContents(task.path() / "comm");
        threads += name.substr(0, name.find('\n')) + " waits in " + fileContents(task.path() / "wchan") + "\n";
    }
    return threads;
}

}

// The build installed in a folder of its own, and a private X server.
class ScreenSaverHosts : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server && !prefix.empty()) << "Xvfb and cmake --install are needed"; }
    std::unique_ptr<XServer> server = XServer::start();
    TemporaryFolder folder;
    const fs::path prefix = install(folder);
};

TEST_F(ScreenSaverHosts, TheXscreensaverDaemonRunsAndStopsTheInstalledHack)
{
    const fs::path home = folder.path() / "home";
    fs::create_directories(home);
    // The hack is named by its full path: xscreensaver puts its own hack folder first on
    // PATH, where an installed package's skyvanes would be found before this build's.
    std::ofstream(home / ".xscreensaver") << "mode: one\nselected: 0\ntimeout: 0:30:00\nlock: False\nfade: False\n"
                                             "unfade: False\nsplash: False\nprograms: GL: "
                                          << (prefix / "bin/skyvanes").string() << " --root -BackColor '#10C080' \\n\n";
    // xscreensaver runs no hack as root, so the daemon runs as nobody then.
    std::vector<std::string> daemon { "/usr/bin/xscreensaver", "-no-splash" };
    if (::geteuid() == 0) {
        const passwd* nobody = ::getpwnam("nobody");
        ASSERT_TRUE(nobody);
        for (const auto& path : { home, home / ".xscreensaver" })
            ASSERT_EQ(::chown(path.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
        daemon.insert(daemon.begin(), { "/usr/bin/setpriv", "--reuid=nobody", "--regid=" + std::to_string(nobody->pw_gid), "--clear-groups" });
    }
    const std::vector<std::string> environment { "HOME=" + home.string(), "DISPLAY=" + server->display(),
        "PATH=" + (prefix / "bin").string() + ":/usr/bin:/bin", "QT_QPA_PLATFORM=xcb", "XDG_CONFIG_HOME=" + (home / "config").string() };
    ProgramRun xscreensaver(daemon, environment);
    auto command = [&](const char* verb) { return ProgramRun({ "/usr/bin/xscreensaver-command", verb }, environment).wait(20000); };
    eventually([&] { return command("-version") == 0; });
    ASSERT_EQ(command("-activate"), 0);

    EXPECT_TRUE(server->shows(xcb_setup_roots_iterator(xcb_get_setup(server->connection())).data->root, showsTheBackground, 15000));
    const pid_t saver = saverProcess(prefix / "bin/skyvanes");
    ASSERT_NE(saver, 0);
    // xscreensaver-gfx runs the hack; told to stop, it sends SIGTERM and ends. The time
    // counts from then: the daemon's own steps before it are not the saver's.
    const pid_t host = stateOf(saver).parent;
    ASSERT_GT(host, 1);
    ASSERT_EQ(command("-deactivate"), 0);
    EXPECT_TRUE(exitsWithin(host, std::chrono::seconds(10)));
    EXPECT_TRUE(exitsWithin(saver, kPromptExit)) << threadsOf(saver);
    command("-exit");
}

TEST_F(ScreenSaverHosts, ThePreviewAndXsecurelockDrawWhereTheyAreTold)
{
    std::vector<std::string> environment { "DISPLAY=" + server->display(), "QT_QPA_PLATFORM=xcb",
        "XDG_CONFIG_HOME=" + (folder.path() / "config").string() };

    // The settings dialog appends --window-id to the listed command line.
    const auto pane = server->createWindow(200, 150);
    ProgramRun preview({ (prefix / "libexec/xscreensaver/skyvanes").string(), "--root", "-BackColor", "#10C080", "--window-id", std::to_string(pane) },
        environment);
    EXPECT_TRUE(server->shows(pane, showsTheBackground));
    const auto sent = std::chrono::steady_clock::now();
    EXPECT_EQ(preview.signalAndWait(SIGTERM, 5000), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - sent, kPromptExit) << "the dialog stops its preview with SIGTERM";

    // xsecurelock's multiplexer hands each saver a window in decimal; stopping the
    // lock stops the multiplexer, which stops its savers.
    ProgramRun write({ (prefix / "bin/skyvanes").string(), "defaults", "write", "org.skyvanes.Skyvanes", "BackColor", "-color", "#10C080" }, environment);
    ASSERT_EQ(write.wait(20000), 0);
    const auto lock = server->createWindow(320, 240);
    environment.push_back("XSCREENSAVER_WINDOW=" + std::to_string(lock));
    environment.push_back("XSECURELOCK_SAVER=" + (prefix / "libexec/xsecurelock/saver_skyvanes").string());
    ProgramRun multiplex({ "/usr/libexec/xsecurelock/saver_multiplex" }, environment);
    EXPECT_TRUE(server->shows(lock, showsTheBackground));
    const pid_t saver = saverProcess(prefix / "bin/skyvanes");
    ASSERT_NE(saver, 0);
    multiplex.signalAndWait(SIGTERM, 5000);
    EXPECT_TRUE(exitsWithin(saver, kPromptExit)) << threadsOf(saver);
}
