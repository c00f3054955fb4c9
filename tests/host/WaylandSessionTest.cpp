// SPDX-License-Identifier: GPL-3.0-or-later
// The saver full screen in a Wayland session, under a private headless compositor.
#include "TestSupport.h"
#include "WaylandCompositor.h"
#include "XServer.h"
#include "host/ReasonOverlaySurface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kBackground = 0x203040;

std::unique_ptr<WaylandCompositor> startSway()
{
    std::string reason;
    auto sway = WaylandCompositor::start(WaylandCompositor::Kind::Sway, reason);
    if (!sway)
        std::cerr << "skipped: " << reason << '\n';
    return sway;
}

std::vector<std::string> saverEnvironment(const WaylandCompositor& compositor, const ScopedPreferences& preferences)
{
    auto environment = compositor.clientEnvironment();
    environment.insert(environment.end(), { "XDG_CONFIG_HOME=" + preferences.folder().parent_path().string(), "DISPLAY=" });
    return environment;
}

// Covered edge to edge in the background colour, at width x height device pixels,
// but for the line across the middle that says why nothing shows, which must be there.
bool coveredInBackground(const WaylandCompositor& compositor, const std::string& output, int width, int height)
{
    const auto grab = compositor.grab(output);
    if (!grab || grab->width != width || grab->height != height)
        return false;
    const int line = ReasonOverlaySurface::textHeight(height);
    std::size_t inLine = 0;
    for (int y = 0; y < height; ++y) {
        const bool middle = std::abs(2 * y - height) <= 2 * line;
        for (int x = 0; x < width; ++x) {
            if (grab->at(x, y) == kBackground)
                continue;
            if (!middle)
                return false;
            ++inLine;
        }
    }
    return inLine > 0;
}

// Drawn at device pixels: a buffer at logical size, enlarged by the compositor, would
// give every aligned 2x2 block a single colour.
bool drawnAtDevicePixels(const WaylandCompositor::Grab& grab)
{
    for (int y = 0; y + 1 < grab.height; y += 2) {
        for (int x = 0; x + 1 < grab.width; x += 2) {
            const std::uint32_t corner = grab.at(x, y);
            if (grab.at(x + 1, y) != corner || grab.at(x, y + 1) != corner || grab.at(x + 1, y + 1) != corner)
                return true;
        }
    }
    return false;
}

// A remote desktop's pointer through wayvnc, which gives the headless sway a virtual
// pointer (sway has no other way to get one here); spoken in RFB 3.8 without security.
class RemotePointer {
public:
    RemotePointer() = default;
    RemotePointer(const RemotePointer&) = delete;
    RemotePointer& operator=(const RemotePointer&) = delete;
    ~RemotePointer()
    {
        if (mFd >= 0)
            ::close(mFd);
    }

    // False until wayvnc listens on socket and takes us as a client.
    bool connect(const std::filesystem::path& socket)
    {
        if (mFd >= 0)
            ::close(mFd);
        mFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address { .sun_family = AF_UNIX, .sun_path = {} };
        const std::string path = socket.string();
        std::memcpy(address.sun_path, path.c_str(), std::min(path.size(), sizeof address.sun_path - 1));
        const timeval patience { 5, 0 };
        ::setsockopt(mFd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
        std::vector<std::uint8_t> in(256);
        // The versions; the kinds of security offered, of which 1 is none, and its
        // result; then the server's greeting, whose last four bytes give the length of
        // the name that ends it.
        if (::connect(mFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || !receive(in.data(), 12) || !send("RFB 003.008\n", 12)
            || !receive(in.data(), 1) || !receive(in.data() + 1, in[0]) || !std::memchr(in.data() + 1, 1, in[0]) || !send("\1", 1)
            || !receive(in.data(), 4) || (in[0] | in[1] | in[2] | in[3]) != 0 || !send("\1", 1) || !receive(in.data(), 24))
            return false;
        in.resize((std::size_t { in[20] } << 24) | (in[21] << 16) | (in[22] << 8) | in[23]);
        return receive(in.data(), in.size());
    }

    // To (x, y) on the output, in its pixels, with the buttons of mask held (1: the left).
    bool move(int x, int y, std::uint8_t buttons = 0)
    {
        const std::uint8_t event[] = { 5, buttons, static_cast<std::uint8_t>(x >> 8), static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y >> 8), static_cast<std::uint8_t>(y) };
        return send(event, sizeof event);
    }

private:
    bool receive(void* into, std::size_t size)
    {
        auto* bytes = static_cast<std::uint8_t*>(into);
        for (std::size_t got = 0; got < size;) {
            const ssize_t now = ::recv(mFd, bytes + got, size - got, 0);
            if (now <= 0)
                return false;
            got += static_cast<std::size_t>(now);
        }
        return true;
    }

    bool send(const void* bytes, std::size_t size) { return ::send(mFd, bytes, size, MSG_NOSIGNAL) == static_cast<ssize_t>(size); }

    int mFd { -1 };
};

// A private headless sway, the saver's settings with the background colour, and a
// picture folder, empty unless a test fills it.
class SwaySession : public ::testing::Test {
protected:
    void SetUp() override
    {
        mSway = startSway();
        if (!mSway)
            GTEST_SKIP() << "sway is needed";
        moduleSettings().setColor(*Color::fromHex("#203040"), SettingsKey::BackColor);
        moduleSettings().setObject(PropertyValue(mFolder.path().string()), SettingsKey::ImageDir);
    }

    std::vector<std::string> environment() const { return saverEnvironment(*mSway, mPreferences); }

    ScopedPreferences mPreferences;
    TemporaryFolder mFolder;
    std::unique_ptr<WaylandCompositor> mSway;
};

}

TEST_F(SwaySession, FullscreenCoversEveryOutputEvenOneAddedAtDevicePixelsAndEndsOnAKeyOrWithTheCompositor)
{
    {
        ProgramRun saver({ SKYVANES_BINARY, "--fullscreen" }, environment());
        ASSERT_TRUE(eventually([&] { return coveredInBackground(*mSway, "HEADLESS-1", 640, 480); }, 20s));
        ASSERT_TRUE(mSway->command("create_output"));
        ASSERT_TRUE(mSway->command("output HEADLESS-2 mode 320x240 scale 2"));
        EXPECT_TRUE(eventually([&] { return coveredInBackground(*mSway, "HEADLESS-1", 640, 480) && coveredInBackground(*mSway, "HEADLESS-2", 320, 240); }, 20s));
        ASSERT_EQ(mSway->run("wtype -s 300 q"), 0);
        EXPECT_EQ(saver.wait(5000), 0);
    }

    // With pictures, the scale-2 output shows them at its own resolution.
    moduleSettings().setObject(PropertyValue(std::string(SKYVANES_SOURCE_DIR "/resources/demo")), SettingsKey::ImageDir);
    ProgramRun saver({ SKYVANES_BINARY, "--fullscreen" }, environment());
    std::optional<WaylandCompositor::Grab> shown;
    // Pictures on the background, not the bare output the compositor shows before.
    const auto showsPictures = [](const WaylandCompositor::Grab& grab) {
        const std::size_t other = grab.countOther(kBackground);
        return other > 2000 && other < grab.rgb.size() / 3 / 2;
    };
    EXPECT_TRUE(eventually([&] { return (shown = mSway->grab("HEADLESS-2")) && showsPictures(*shown); }, 30s));
    ASSERT_TRUE(shown);
    EXPECT_TRUE(drawnAtDevicePixels(*shown));
    // Killed while the saver draws: no crash, and the run ends as when it is told to.
    ::kill(mSway->pid(), SIGKILL);
    EXPECT_EQ(saver.wait(5000), 0);
}

TEST(WaylandSession, WithoutTheLayerShellAFullscreenToplevelDrawsAndEndsOnSigterm)
{
    std::string reason;
    auto weston = WaylandCompositor::start(WaylandCompositor::Kind::Weston, reason);
    if (!weston)
        GTEST_SKIP() << reason;
    ScopedPreferences preferences;
    TemporaryFolder folder;
    const auto log = folder.path() / "protocol.log";
    // The conversation itself tells what was drawn: Weston's headless output cannot be grabbed.
    auto environment = saverEnvironment(*weston, preferences);
    environment.push_back("WAYLAND_DEBUG=1");
    ProgramRun saver({ "/bin/sh", "-c", "exec \"$0\" --fullscreen 2>\"$1\"", SKYVANES_BINARY, log.string() }, environment);
    // Frames keep going only while the compositor takes them: the surface is shown.
    const auto framesShown = [&] {
        const std::string conversation = fileContents(log);
        std::size_t frames = 0;
        for (std::size_t at = 0; (at = conversation.find(".attach(", at)) != std::string::npos; ++at)
            ++frames;
        return conversation.find("xdg_toplevel@") != std::string::npos && conversation.find(".set_fullscreen(wl_output@") != std::string::npos && frames >= 10;
    };
    EXPECT_TRUE(eventually(framesShown, 20s));
    EXPECT_EQ(saver.signalAndWait(SIGTERM, 5000), 0);
}

TEST_F(SwaySession, BackgroundOnAHandedOverConnectionTakesNoInputAndEndsWithIt)
{
    // As a lock screen does: connect to the compositor, hand the connection over.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const std::string path = mSway->socketPath().string();
    ASSERT_LT(path.size(), sizeof address.sun_path);
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    ASSERT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    auto handedOver = environment();
    std::erase_if(handedOver, [](const std::string& assignment) { return assignment.starts_with("WAYLAND_DISPLAY="); });
    handedOver.insert(handedOver.end(), { "WAYLAND_DISPLAY=", "WAYLAND_SOCKET=" + std::to_string(fd) });
    ProgramRun saver({ SKYVANES_BINARY, "--background", "-BackColor", "#203040" }, handedOver);
    ::close(fd);
    EXPECT_TRUE(eventually([&] { return coveredInBackground(*mSway, "HEADLESS-1", 640, 480); }, 20s));
    // Deaf to keys, and behind an ordinary window.
    ASSERT_EQ(mSway->run("wtype -s 300 q"), 0);
    EXPECT_FALSE(saver.wait(500));
    {
        ProgramRun window({ "/usr/bin/weston-flower" }, environment());
        EXPECT_TRUE(eventually([&] { const auto grab = mSway->grab("HEADLESS-1"); return grab && grab->countOther(kBackground) > 10000; }, 10s));
    }
    EXPECT_TRUE(eventually([&] { return coveredInBackground(*mSway, "HEADLESS-1", 640, 480); }, 5s));
    EXPECT_TRUE(saver.running());
    ::kill(mSway->pid(), SIGKILL);
    EXPECT_EQ(saver.wait(5000), 0);
}

TEST_F(SwaySession, SwayidleStartsItOnIdleAndAKeyEndsIt)
{
    if (mSway->run("command -v swayidle") != 0)
        GTEST_SKIP() << "swayidle is not installed (scripts/install-deps brings it)";
    TemporaryFolder folder;
    const auto ended = folder.path() / "ended";
    // The README's line, with a short timeout and a mark left when the saver is gone.
    const std::string saver = std::string("'") + SKYVANES_BINARY + "' --fullscreen; echo $? > '" + ended.string() + "'";
    ProgramRun idle({ "/usr/bin/swayidle", "-w", "timeout", "1", saver }, environment());
    EXPECT_TRUE(eventually([&] { return coveredInBackground(*mSway, "HEADLESS-1", 640, 480); }, 20s));
    ASSERT_EQ(mSway->run("wtype -s 300 q"), 0);
    EXPECT_TRUE(eventually([&] { return fileContents(ended) == "0\n"; }, 5s));
    EXPECT_TRUE(idle.running());
}

TEST_F(SwaySession, APointerEndsItWhenMovedPastTheSlackOrClicked)
{
    if (!std::filesystem::exists("/usr/bin/wayvnc"))
        GTEST_SKIP() << "wayvnc is not installed (scripts/install-deps brings it)";
    const auto socket = mFolder.path() / "vnc";
    ProgramRun vnc({ "/usr/bin/wayvnc", "--unix-socket", socket.string() }, environment());
    RemotePointer pointer;
    ASSERT_TRUE(eventually([&] { return pointer.connect(socket); }, 10s));
    for (const bool click : { false, true }) {
        SCOPED_TRACE(click ? "clicked" : "moved");
        // Where the surface appears; it enters there, or at the first move after.
        ASSERT_TRUE(pointer.move(100, 100));
        ProgramRun saver({ SKYVANES_BINARY, "--fullscreen" }, environment());
        ASSERT_TRUE(eventually([&] { return coveredInBackground(*mSway, "HEADLESS-1", 640, 480); }, 20s));
        // A table knocked: under 10 pixels from either place it may have entered.
        ASSERT_TRUE(pointer.move(105, 104));
        EXPECT_FALSE(saver.wait(700));
        ASSERT_TRUE(click ? pointer.move(105, 104, 1) : pointer.move(118, 100));
        EXPECT_EQ(saver.wait(5000), 0);
    }
}
