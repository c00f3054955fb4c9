// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "XServer.h"

#include <QImage>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/resource.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

std::vector<std::string> displayEnvironment(const ScopedPreferences& preferences, const XServer& server)
{
    return { "XDG_CONFIG_HOME=" + preferences.folder().parent_path().string(), "DISPLAY=" + server.display(),
        "QT_QPA_PLATFORM=xcb", "XDG_RUNTIME_DIR=" + preferences.folder().parent_path().string() };
}

// The exit status of the program and what it said on standard error, with its standard
// output on the file named output, or closed when that is null; 1001 as the status when
// it is still running after 30 s.
std::pair<int, std::string> runWithOutput(const std::vector<std::string>& arguments, const std::vector<std::string>& environment, const char* output)
{
    const TemporaryFolder folder;
    const std::string errors = (folder.path() / "errors").string();
    ProgramRun run(arguments, environment, [&] {
        const int errorFile = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(errorFile, STDERR_FILENO);
        ::close(errorFile);
        if (output) {
            const int file = ::open(output, O_WRONLY);
            ::dup2(file, STDOUT_FILENO);
            ::close(file);
        } else {
            ::close(STDOUT_FILENO);
        }
    });
    const auto status = run.wait(30000);
    return { status.value_or(1001), fileContents(errors) };
}

// Whether the saver's frame comes to wait for a picture: the main thread, which draws
// the frames, no longer goes back to the event loop's poll, where it sits between
// frames; a frame being drawn keeps it away for a few milliseconds only.
bool frameWaits(int pid)
{
    const std::string wchan = "/proc/" + std::to_string(pid) + "/wchan";
    auto polled = std::chrono::steady_clock::now();
    return eventually([&] {
        const auto now = std::chrono::steady_clock::now();
        if (fileContents(wchan).find("poll") != std::string::npos)
            polled = now;
        return now - polled > std::chrono::milliseconds(250);
    });
}

}

TEST(Program, EveryCommandThatPrintsFailsWithTheReasonWhenItsOutputIsNotWritten)
{
    ScopedPreferences preferences;
    TemporaryFolder pictures;
    QImage red(8, 8, QImage::Format_RGB32);
    red.fill(qRgb(255, 0, 0));
    ASSERT_TRUE(red.save(QString::fromStdString((pictures.path() / "red.png").string())));
    moduleSettings().setObject(PropertyValue(pictures.path().string()), SettingsKey::ImageDir);
    const std::vector<std::string> environment { "XDG_CONFIG_HOME=" + preferences.folder().parent_path().string() };
    struct Row {
        std::vector<std::string> words;
        std::string what;
    };
    for (const Row& row : { Row { { "--help" }, "the help" }, Row { { "--version" }, "the version" }, Row { { "--list" }, "the list" },
             Row { { "--list", "--null" }, "the list" }, Row { { "defaults", "read" }, "the settings" },
             Row { { "defaults", "read", "org.skyvanes.Skyvanes", "ImageDir" }, "the settings" } }) {
        std::vector<std::string> arguments { SKYVANES_BINARY };
        arguments.insert(arguments.end(), row.words.begin(), row.words.end());
        for (const char* output : { "/dev/full", static_cast<const char*>(nullptr) }) {
            const std::string reason = output ? "No space left on device" : "Bad file descriptor";
            EXPECT_EQ(runWithOutput(arguments, environment, output), std::pair(1, "skyvanes: cannot write " + row.what + ": " + reason + "\n"))
                << row.words.back();
        }
    }
    // A snapshot sent to standard output goes through a path that leads to the descriptor.
    for (const char* output : { "/dev/full", static_cast<const char*>(nullptr) }) {
        const std::string reason = output ? "No space left on device" : "Bad file descriptor";
        EXPECT_EQ(runWithOutput({ SKYVANES_BINARY, "--snapshot", "/dev/stdout", "--size", "8x8", "--frames", "1" }, environment, output),
            std::pair(1, "skyvanes: cannot write /dev/stdout: " + reason + "\n"));
    }
}

TEST(Program, SnapshotIsExactlyTheStoredBackgroundAndAFullDiskLeavesNoFile)
{
    ScopedPreferences preferences;
    moduleSettings().setColor(*Color::fromHex("#3366CC"), SettingsKey::BackColor);
    TemporaryFolder folder;
    const auto png = (folder.path() / "out.png").string();
    const std::vector<std::string> environment { "XDG_CONFIG_HOME=" + preferences.folder().parent_path().string() };
    ASSERT_EQ(ProgramRun({ SKYVANES_BINARY, "--snapshot", png, "--size", "320x200", "--frames", "3" }, environment).wait(60000), 0);
    const QImage image(QString::fromStdString(png));
    EXPECT_EQ(image.size(), QSize(320, 200));
    EXPECT_EQ(image.pixel(319, 199), qRgb(0x33, 0x66, 0xCC));
    std::filesystem::remove(png);

    // A file size limit fails the writes past 40 bytes as a full disk would.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const rlimit tiny { 40, old.rlim_max };
    ::setrlimit(RLIMIT_FSIZE, &tiny);
    ProgramRun run({ SKYVANES_BINARY, "--snapshot", png }, environment);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(run.wait(60000), 1);
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

TEST(Program, AForeignWindowDestroyedWhileDrawingEndsTheRunPromptly)
{
    auto server = XServer::start();
    ASSERT_TRUE(server) << "Xvfb is needed";
    ScopedPreferences preferences;
    moduleSettings().setColor(*Color::fromHex("#C03010"), SettingsKey::BackColor);
    moduleSettings().setInteger(60, SettingsKey::FrameRate);
    // Under the sanitizers, LeakSanitizer's check at exit now and then crashes its own
    // tracer while the saver's threads wind down from the window's loss; this test is
    // about stopping promptly, and the other runs of the program check for leaks.
    auto environment = displayEnvironment(preferences, *server);
    environment.push_back("ASAN_OPTIONS=detect_leaks=0");
    for (int attempt = 0; attempt < 10; ++attempt) {
        const auto window = server->createWindow(500, 300);
        ProgramRun saver({ SKYVANES_BINARY, "-window-id", std::to_string(window) }, environment);
        ASSERT_TRUE(server->shows(window, [](std::uint32_t rgb) { return rgb == 0xC03010; }));
        server->destroyWindow(window);
        const auto destroyed = std::chrono::steady_clock::now();
        EXPECT_EQ(saver.wait(5000), 0) << attempt;
        EXPECT_LT(std::chrono::steady_clock::now() - destroyed, kPromptExit) << attempt;
    }
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
    ProgramRun saver({ ENDLESS_PICTURE_SAVER, folder.string(), "-window-id", std::to_string(window) }, displayEnvironment(preferences, *server));
    ASSERT_TRUE(eventually([&] { return std::filesystem::exists(folder.string() + ".reading"); }));
    ASSERT_TRUE(frameWaits(saver.pid()));

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
    ProgramRun saver({ SKYVANES_BINARY, "-window-id", std::to_string(window) }, displayEnvironment(preferences, *server));
    ASSERT_TRUE(server->shows(window, [](std::uint32_t rgb) { return rgb == 0; }));
    server->resizeWindow(window, 800, 480);
    // Beyond the old size only pictures placed and projected for the new one can land.
    EXPECT_TRUE(server->shows(
        window, [](std::uint32_t rgb) { return (rgb >> 16) > 0x40 && (rgb & 0xFFFF) < 0x1010; }, 10000, 600, 100));

    const auto sent = std::chrono::steady_clock::now();
    EXPECT_EQ(saver.signalAndWait(SIGTERM, 5000), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - sent, kPromptExit);
}

TEST(Program, AWindowIdThatCannotBeDrawnInIsRefusedWithOneLine)
{
    auto server = XServer::start(320, 240, 2);
    ASSERT_TRUE(server) << "Xvfb is needed";
    ScopedPreferences preferences;
    xcb_connection_t* connection = server->connection();
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    const xcb_screen_t first = *screens.data;
    xcb_screen_next(&screens);
    const xcb_window_t secondRoot = screens.data->root;
    const xcb_pixmap_t pixmap = xcb_generate_id(connection);
    xcb_create_pixmap(connection, first.root_depth, pixmap, first.root, 200, 100);
    const xcb_window_t inputOnly = xcb_generate_id(connection);
    xcb_create_window(connection, 0, inputOnly, first.root, 0, 0, 200, 100, 0, XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_map_window(connection, inputOnly);
    // Done for every client once a request with a reply is answered.
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    for (const std::uint32_t id : { pixmap, inputOnly, secondRoot }) {
        const auto [status, said] = runWithOutput({ SKYVANES_BINARY, "--window-id", std::to_string(id) }, displayEnvironment(preferences, *server), "/dev/null");
        EXPECT_EQ(status, 1) << id;
        EXPECT_TRUE(said.starts_with("skyvanes: ") && said.find('\n') == said.size() - 1) << said;
    }
}

TEST(Program, FullscreenCoversEveryScreenAndStartsNoSessionBus)
{
    auto server = XServer::start(320, 240, 2);
    ASSERT_TRUE(server) << "Xvfb is needed";
    ScopedPreferences preferences;
    // With no session bus, as under a bare xscreensaver, the saver must not start one.
    TemporaryFolder bin;
    bin.write("dbus-launch", "#!/bin/sh\ntouch \"$0.ran\"\nexit 1\n");
    std::filesystem::permissions(bin.path() / "dbus-launch", std::filesystem::perms::owner_all);
    auto environment = displayEnvironment(preferences, *server);
    environment.insert(environment.end(), { "DBUS_SESSION_BUS_ADDRESS", "PATH=" + bin.path().string() + ":/usr/bin:/bin" });
    ProgramRun saver({ SKYVANES_BINARY, "--fullscreen", "-BackColor", "#10C080" }, environment);
    for (auto screens = xcb_setup_roots_iterator(xcb_get_setup(server->connection())); screens.rem; xcb_screen_next(&screens))
        EXPECT_TRUE(server->shows(
            screens.data->root, [](std::uint32_t rgb) { return rgb == 0x10C080; }, 10000, 300, 220))
            << screens.index;
    EXPECT_EQ(saver.signalAndWait(SIGTERM, 5000), 0);
    EXPECT_FALSE(std::filesystem::exists(bin.path() / "dbus-launch.ran"));
}

TEST(Program, ConfigureSavesWhenItsWindowIsClosedAndNeedsADisplay)
{
    ScopedPreferences preferences;
    const std::string home = "XDG_CONFIG_HOME=" + preferences.folder().parent_path().string();
    // Without a display (a Wayland one named that no compositor serves): one line and
    // 1, not Qt's abort, for the settings window and the saver alike.
    for (const char* mode : { "--configure", "--root", "--window", "--fullscreen" }) {
        ProgramRun headless({ SKYVANES_BINARY, mode }, { home, "DISPLAY=", "WAYLAND_DISPLAY=wayland-gone", "QT_QPA_PLATFORM=" });
        EXPECT_EQ(headless.wait(60000), 1) << mode;
    }

    auto server = XServer::start();
    ASSERT_TRUE(server);
    ProgramRun run({ SKYVANES_BINARY, "--configure" }, displayEnvironment(preferences, *server));
    std::vector<std::uint32_t> shown;
    ASSERT_TRUE(eventually([&] { return !(shown = server->shownTopLevels()).empty(); }));
    ASSERT_EQ(shown.size(), 1u);
    // A window shown but not yet ready ignores the request, so it is asked again until it goes.
    EXPECT_TRUE(eventually([&] {
        server->closeWindow(shown[0]);
        return run.wait(250).has_value();
    }));
    EXPECT_EQ(run.wait(0), 0);
    ProgramRun read({ SKYVANES_BINARY, "defaults", "read", "org.skyvanes.Skyvanes", "ImageLimit" }, { home });
    EXPECT_EQ(read.wait(10000), 0) << "closing wrote the settings";
}

TEST(Program, ConfigureKeepsItsFailureBoxUntilTheUserClosesItThenExitsOne)
{
    auto server = XServer::start();
    ASSERT_TRUE(server);
    ScopedPreferences preferences;
    // A folder where the settings file belongs: every write fails.
    std::filesystem::create_directories(preferences.folder() / "org.skyvanes.Skyvanes.plist");
    ProgramRun run({ SKYVANES_BINARY, "--configure" }, displayEnvironment(preferences, *server));
    std::vector<std::uint32_t> shown;
    ASSERT_TRUE(eventually([&] { return (shown = server->shownTopLevels()).size() == 1; }));
    const std::uint32_t sheet = shown[0];
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    server->closeWindow(sheet);
    ASSERT_TRUE(eventually([&] { return (shown = server->shownTopLevels()).size() == 1 && shown[0] != sheet; }));
    // Well after the event loop has gone idle, the box still stands and the program waits.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_EQ(server->shownTopLevels(), shown);
    EXPECT_FALSE(run.wait(0));
    server->closeWindow(shown[0]);
    EXPECT_EQ(run.wait(10000), 1);
}

TEST(Program, FullScreenWithNothingToShowSaysSoAcrossTheMiddleOnly)
{
    auto server = XServer::start();
    ASSERT_TRUE(server);
    ScopedPreferences preferences;
    TemporaryFolder folder;
    std::filesystem::create_directory(folder.path() / "empty");
    // A list whose every file the renderer gives up on says so too.
    folder.write("unreadable/notes.jpg", "not a picture");
    const std::uint32_t root = xcb_setup_roots_iterator(xcb_get_setup(server->connection())).data->root;
    constexpr std::uint32_t background = 0x204060;
    const auto isBackground = [&](int x, int y) { return server->pixel(root, x, y) == background; };
    for (const char* name : { "gone", "empty", "unreadable" }) {
        const auto dir = (folder.path() / name).string();
        ProgramRun saver({ SKYVANES_BINARY, "--fullscreen", "-BackColor", "#204060", "-ImageDir", dir }, displayEnvironment(preferences, *server));
        ASSERT_TRUE(eventually([&] { return isBackground(5, 5); })) << name;
        // The line is a thirtieth of the 480 rows high, centred on row 240.
        EXPECT_TRUE(eventually([&] {
            for (int x = 20; x < 620; ++x) {
                if (!isBackground(x, 238) || !isBackground(x, 242))
                    return true;
            }
            return false;
        })) << name;
        for (int y : { 20, 180, 300, 460 }) {
            for (int x = 0; x < 640; x += 40)
                EXPECT_TRUE(isBackground(x, y)) << name << " at " << x << "," << y;
        }
        EXPECT_EQ(saver.signalAndWait(SIGTERM, 5000), 0);
    }
}
