// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "XServer.h"

#include <QImage>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <csignal>
#include <fstream>
#include <filesystem>
#include <sys/resource.h>
#include <thread>
#include <xcb/xcb.h>

namespace {

// A sanitized build spends most of a second checking for leaks or races at exit.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr auto kPromptExit = std::chrono::milliseconds(3000);
#else
constexpr auto kPromptExit = std::chrono::milliseconds(500);
#endif

// Runs the program to completion with the test's own preferences folder.
int runProgram(const ScopedPreferences& preferences, const std::vector<std::string>& arguments)
{
    std::vector<std::string> argv { SKYVANES_BINARY };
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    ProgramRun run(argv, { "XDG_CONFIG_HOME=" + preferences.folder().parent_path().string() });
    return run.wait(60000).value_or(-1);
}

void storeBackground(const ScopedPreferences& preferences, const std::string& colour)
{
    ASSERT_EQ(runProgram(preferences, { "defaults", "write", "org.skyvanes.Skyvanes", "BackColor", "-color", colour }), 0);
}

std::vector<std::string> displayEnvironment(const ScopedPreferences& preferences, const XServer& server)
{
    return { "XDG_CONFIG_HOME=" + preferences.folder().parent_path().string(), "DISPLAY=" + server.display(),
        "QT_QPA_PLATFORM=xcb", "XDG_RUNTIME_DIR=" + preferences.folder().parent_path().string() };
}

std::string hex(std::uint32_t window)
{
    char id[32];
    std::snprintf(id, sizeof id, "0x%x", window);
    return id;
}

// Polls until a child of the window shows a colour that passes the test at (x, y),
// for up to ten seconds.
bool shows(XServer& server, std::uint32_t window, const std::function<bool(std::uint32_t)>& colour, int x = 5, int y = 5)
{
    for (int i = 0; i < 200; ++i) {
        for (auto child : server.children(window)) {
            if (const auto rgb = server.pixel(child, x, y); rgb && colour(*rgb))
                return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

}

TEST(Program, SnapshotIsExactlyTheStoredBackground)
{
    ScopedPreferences preferences;
    storeBackground(preferences, "#3366CC");
    TemporaryFolder folder;
    const auto png = (folder.path() / "out.png").string();
    ASSERT_EQ(runProgram(preferences, { "--snapshot", png, "--size", "320x200", "--frames", "3" }), 0);
    QImage image(QString::fromStdString(png));
    ASSERT_EQ(image.size(), QSize(320, 200));
    for (QPoint p : { QPoint(0, 0), QPoint(319, 199), QPoint(160, 100) })
        EXPECT_EQ(image.pixel(p), qRgb(0x33, 0x66, 0xCC));
}

TEST(Program, SnapshotOntoAFullDiskFailsAndLeavesNoFile)
{
    ScopedPreferences preferences;
    TemporaryFolder folder;
    // A file size limit fails the writes past 40 bytes as a full disk would.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const rlimit tiny { 40, old.rlim_max };
    ::setrlimit(RLIMIT_FSIZE, &tiny);
    ProgramRun run({ SKYVANES_BINARY, "--snapshot", (folder.path() / "out.png").string() },
        { "XDG_CONFIG_HOME=" + preferences.folder().parent_path().string() });
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(run.wait(60000), 1);
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

TEST(Program, UnknownOptionExitsWithOne)
{
    ScopedPreferences preferences;
    EXPECT_EQ(runProgram(preferences, { "--no-such-thing" }), 1);
    EXPECT_EQ(runProgram(preferences, { "--help" }), 0);
    EXPECT_EQ(runProgram(preferences, { "--version" }), 0);
    // Without a display: one line and 1, not Qt's abort.
    for (const char* mode : { "--root", "--window", "--fullscreen" }) {
        ProgramRun run({ SKYVANES_BINARY, mode }, { "QT_QPA_PLATFORM=xcb", "DISPLAY=" });
        EXPECT_EQ(run.wait(10000), 1) << mode;
    }
}

TEST(Program, AForeignWindowDestroyedWhileDrawingEndsTheRunPromptly)
{
    auto server = XServer::start();
    ASSERT_TRUE(server) << "Xvfb is needed";
    ScopedPreferences preferences;
    storeBackground(preferences, "#C03010");
    moduleSettings().setInteger(60, SettingsKey::FrameRate);
    for (int attempt = 0; attempt < 10; ++attempt) {
        const auto window = server->createWindow(500, 300);
        ProgramRun saver({ SKYVANES_BINARY, "-window-id", hex(window) }, displayEnvironment(preferences, *server));
        ASSERT_TRUE(shows(*server, window, [](std::uint32_t rgb) { return rgb == 0xC03010; }));
        xcb_destroy_window(server->connection(), window);
        xcb_flush(server->connection());
        const auto destroyed = std::chrono::steady_clock::now();
        EXPECT_EQ(saver.wait(5000), 0) << attempt;
        EXPECT_LT(std::chrono::steady_clock::now() - destroyed, kPromptExit) << attempt;
    }
}

TEST(Program, RootModeDrawsInTheWindowXscreensaverNames)
{
    auto server = XServer::start();
    ASSERT_TRUE(server) << "Xvfb is needed";
    ScopedPreferences preferences;
    storeBackground(preferences, "#C03010");
    const auto window = server->createWindow(500, 300);
    // xsecurelock writes the id in decimal, xscreensaver in hex; both must work.
    for (const std::string& id : { std::to_string(window), hex(window) }) {
        auto environment = displayEnvironment(preferences, *server);
        environment.push_back("XSCREENSAVER_WINDOW=" + id);
        ProgramRun saver({ SKYVANES_BINARY, "-root" }, environment);
        EXPECT_TRUE(shows(*server, window, [](std::uint32_t rgb) { return rgb == 0xC03010; })) << id;
        EXPECT_EQ(saver.signalAndWait(SIGTERM, 2000), 0);
    }
}

TEST(Program, ConfigureSavesWhenReturnClosesTheWindow)
{
    ScopedPreferences preferences;
    std::vector<std::string> noDisplay = { "XDG_CONFIG_HOME=" + preferences.folder().parent_path().string(), "DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=" };
    ProgramRun headless({ SKYVANES_BINARY, "--configure" }, noDisplay);
    EXPECT_EQ(headless.wait(60000), 1);

    auto server = XServer::start();
    ASSERT_TRUE(server);
    ProgramRun run({ SKYVANES_BINARY, "--configure" }, displayEnvironment(preferences, *server));
    std::vector<std::uint32_t> shown;
    for (int i = 0; i < 200 && shown.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        shown = server->shownTopLevels();
    }
    ASSERT_EQ(shown.size(), 1u);
    // Let the window settle before the key reaches it.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_TRUE(server->pressKey(shown[0], 0xff0d));
    EXPECT_EQ(run.wait(10000), 0);
    EXPECT_EQ(runProgram(preferences, { "defaults", "read", "org.skyvanes.Skyvanes", "ImageLimit" }), 0);
}

TEST(Program, SigtermEndsTheSaverPromptlyWhileAPictureIsStillBeingRead)
{
    auto server = XServer::start();
    ASSERT_TRUE(server) << "Xvfb is needed";
    ScopedPreferences preferences;
    TemporaryFolder pictures;
    const auto folder = pictures.path() / "pictures";
    pictures.write("pictures/a-first", "a");
    pictures.write("pictures/b-endless", "b");
    // In order, two at once: the second frame needs the picture that never arrives.
    auto& settings = moduleSettings();
    settings.setObject(PropertyValue(folder.string()), SettingsKey::ImageDir);
    settings.setInteger(0, SettingsKey::ImageOrder);
    settings.setInteger(2, SettingsKey::ImageLimit);
    const auto window = server->createWindow(300, 200);
    ProgramRun saver({ ENDLESS_PICTURE_SAVER, folder.string(), "-window-id", hex(window) }, displayEnvironment(preferences, *server));
    for (int i = 0; i < 200 && !std::filesystem::exists(folder.string() + ".reading"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(std::filesystem::exists(folder.string() + ".reading"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the frame that needs it is waiting now

    const auto sent = std::chrono::steady_clock::now();
    EXPECT_EQ(saver.signalAndWait(SIGTERM, 5000), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - sent, kPromptExit);
}

TEST(Program, PicturesFollowAForeignWindowThatGrowsAndSigtermEndsTheRunPromptly)
{
    auto server = XServer::start(1024, 768);
    ASSERT_TRUE(server) << "Xvfb is needed";
    ScopedPreferences preferences;
    TemporaryFolder pictures;
    QImage red(64, 48, QImage::Format_RGB32);
    red.fill(qRgb(255, 0, 0));
    ASSERT_TRUE(red.save(QString::fromStdString((pictures.path() / "red.png").string())));
    auto& settings = moduleSettings();
    settings.setObject(PropertyValue(pictures.path().string()), SettingsKey::ImageDir);
    settings.setInteger(100, SettingsKey::ImageLimit);
    settings.setInteger(60, SettingsKey::FrameRate);
    const auto window = server->createWindow(400, 240);
    ProgramRun saver({ SKYVANES_BINARY, "-window-id", hex(window) }, displayEnvironment(preferences, *server));
    ASSERT_TRUE(shows(*server, window, [](std::uint32_t rgb) { return rgb == 0; }));
    server->resizeWindow(window, 800, 480);
    // Beyond the old size only pictures placed and projected for the new one can land.
    EXPECT_TRUE(shows(*server, window, [](std::uint32_t rgb) { return (rgb >> 16) > 0x40 && (rgb & 0xFFFF) < 0x1010; }, 600, 100));

    const auto sent = std::chrono::steady_clock::now();
    EXPECT_EQ(saver.signalAndWait(SIGTERM, 5000), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - sent, kPromptExit);
}
