// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/SaverHost.h"

#include "host/DisplayCheck.h"
#include "host/QuitOnSignals.h"
#include "host/SaverScreen.h"
#include "host/WaylandSaverHost.h"
#include "platform/Log.h"
#include "render/PictureReadAhead.h"
#include "sources/ImagePathList.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>
#include <vector>
#include <xcb/xcb.h>

namespace {

xcb_connection_t* x11Connection()
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// The root window of the screen $DISPLAY names (":0.1" is the second), where Qt draws.
std::optional<xcb_window_t> displayRoot(xcb_connection_t* connection)
{
    int number = 0;
    char* host = nullptr;
    int display = 0;
    if (xcb_parse_display(nullptr, &host, &display, &number) == 0)
        number = 0;
    std::free(host);
    for (auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection)); screens.rem; xcb_screen_next(&screens)) {
        if (number-- == 0)
            return screens.data->root;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> rootTarget()
{
    if (const char* given = std::getenv("XSCREENSAVER_WINDOW")) {
        if (auto id = CommandLine::parseWindowId(given))
            return id;
    }
    xcb_connection_t* connection = x11Connection();
    return connection ? displayRoot(connection) : std::nullopt;
}

// X accepts a pixmap, an InputOnly window or a window of another screen as the parent
// of the saver's window without a word, and the saver would then run for ever showing
// nothing; refused here with the reason.
bool drawableWindow(std::uint64_t id)
{
    xcb_connection_t* connection = x11Connection();
    if (!connection)
        return true;
    const auto window = static_cast<xcb_window_t>(id);
    const auto shown = static_cast<unsigned long long>(id);
    auto* attributes = xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr);
    if (!attributes) {
        std::fprintf(stderr, "skyvanes: 0x%llx is a pixmap, not a window to draw in\n", shown);
        return false;
    }
    const bool inputOnly = attributes->_class == XCB_WINDOW_CLASS_INPUT_ONLY;
    std::free(attributes);
    if (inputOnly) {
        std::fprintf(stderr, "skyvanes: 0x%llx is an InputOnly window, which cannot be drawn in\n", shown);
        return false;
    }
    auto* geometry = xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
    const std::optional<xcb_window_t> root = geometry ? std::optional(geometry->root) : std::nullopt;
    std::free(geometry);
    if (root && root != displayRoot(connection)) {
        std::fprintf(stderr, "skyvanes: the window 0x%llx is on another X screen than the display's\n", shown);
        return false;
    }
    return true;
}

// Where to draw: the foreign window, every screen for --fullscreen, else one window.
std::optional<std::vector<SaverTarget>> chooseTargets(const CommandLine& line)
{
    SaverTarget target;
    target.preview = line.preview;
    if (line.mode == CommandLine::Mode::WindowId)
        target.foreignId = line.windowId;
    if (line.mode == CommandLine::Mode::Root) {
        target.foreignId = rootTarget();
        if (!target.foreignId) {
            std::fprintf(stderr, "skyvanes: --root needs an X display\n");
            return std::nullopt;
        }
    }
    if (target.foreignId) {
        auto foreignSize = SaverScreen::foreignWindowSize(*target.foreignId);
        if (!foreignSize) {
            std::fprintf(stderr, "skyvanes: no X window 0x%llx to draw in\n", static_cast<unsigned long long>(*target.foreignId));
            return std::nullopt;
        }
        if (!drawableWindow(*target.foreignId))
            return std::nullopt;
        target.size = *foreignSize;
        // xscreensaver's settings dialog shows its preview in a small window.
        target.preview = target.preview || target.size.width() < 400;
        return std::vector { target };
    }
    if (line.mode != CommandLine::Mode::Fullscreen || qGuiApp->screens().isEmpty())
        return std::vector { target };
    std::vector<SaverTarget> screens;
    for (QScreen* screen : qGuiApp->screens()) {
        target.screen = screen;
        target.size = screen->size();
        screens.push_back(target);
    }
    return screens;
}

// Full screen in a Wayland session belongs to the compositor's own outputs; X only
// when no compositor answers. A lock screen's background is Wayland's alone. Nothing
// when the run is X's.
std::optional<int> runOnWayland(const CommandLine& line, const char* programName, const std::shared_ptr<const ImageDecoder>& decoder)
{
    if (line.mode == CommandLine::Mode::Fullscreen)
        return WaylandSaverHost::run(line, WaylandSaverHost::Role::Fullscreen, programName, decoder);
    if (line.mode != CommandLine::Mode::Background)
        return std::nullopt;
    if (auto status = WaylandSaverHost::run(line, WaylandSaverHost::Role::Background, programName, decoder))
        return status;
    std::fprintf(stderr, "skyvanes: --background needs a Wayland compositor with the layer shell (WAYLAND_SOCKET or WAYLAND_DISPLAY)\n");
    return 1;
}

}

int SaverHost::run(const CommandLine& line, const char* programName, const std::shared_ptr<const ImageDecoder>& decoder)
{
    if (auto status = runOnWayland(line, programName, decoder))
        return *status;
    if (!DisplayCheck::displayReachable())
        return 1;
    int argc = 1;
    char* argv[] = { const_cast<char*>(programName), nullptr };
    // A saver started with no session bus (a bare xscreensaver) must not start one: Qt's
    // accessibility bridge would have libdbus fork dbus-launch, which leaves a bus
    // daemon behind. The user's own bus, where there is one, is still found.
    if (!qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:runtime=yes");
    QGuiApplication app(argc, argv);
    app.setApplicationName("skyvanes");
    QuitOnSignals::install(app);
    PixelFormat::setAvailability(&WindowGLSurface::isAvailable);

    const auto targets = chooseTargets(line);
    if (!targets)
        return 1;
    SkyvanesView::initialize();
    std::vector<std::unique_ptr<SaverScreen>> screens;
    for (const SaverTarget& target : *targets) {
        auto screen = SaverScreen::create(target, line.mode, line.showFps);
        if (!screen)
            return 1;
        screen->setImageDecoder(decoder);
        screens.push_back(std::move(screen));
    }
    // Closing any one of several screens ends the run, as closing the only one does.
    if (screens.size() > 1) {
        for (QWindow* window : app.topLevelWindows())
            QObject::connect(window, &QWindow::visibleChanged, &app, [](bool visible) { if (!visible) qGuiApp->quit(); });
    }

    // The renderer says only that nothing could be shown; say why, once per start,
    // when the first screen has read its list (every screen reads the same settings).
    bool told = false;
    for (auto& screen : screens) {
        screen->start([&told] {
            if (std::exchange(told, true))
                return;
            if (auto reason = ImagePathList::lastWhyEmpty())
                Log::message(*reason);
        });
    }
    const int status = app.exec();
    for (auto& screen : screens)
        screen->stop();
    return status;
}
