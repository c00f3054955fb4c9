// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/SaverHost.h"

#include "host/DisplayCheck.h"
#include "host/EmptyListReason.h"
#include "host/SaverScreen.h"
#include "host/WaylandSaverHost.h"
#include "platform/Log.h"
#include "render/PictureReadAhead.h"

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
#include <vector>
#include <xcb/xcb.h>

namespace {

int gSignalPipe[2] = { -1, -1 };

void onSignal(int)
{
    // A frame waiting for a picture read ahead lets go, so the event loop can quit.
    PictureReadAhead::interruptWaits();
    const char byte = 1;
    [[maybe_unused]] auto written = ::write(gSignalPipe[1], &byte, 1);
}

// SIGTERM (xscreensaver, xsecurelock) and SIGINT end the run through the event loop,
// so the saver stops cleanly and exits 0.
void quitOnSignals(QGuiApplication& app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] { app.quit(); });
    struct sigaction action { };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

xcb_connection_t* x11Connection()
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

std::optional<std::uint64_t> rootTarget()
{
    if (const char* given = std::getenv("XSCREENSAVER_WINDOW")) {
        if (auto id = CommandLine::parseWindowId(given))
            return id;
    }
    xcb_connection_t* connection = x11Connection();
    if (!connection)
        return std::nullopt;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    if (!screens.rem)
        return std::nullopt;
    return screens.data->root;
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

}

int SaverHost::run(const CommandLine& line, const char* programName, std::shared_ptr<const ImageDecoder> decoder)
{
    // Full screen in a Wayland session belongs to the compositor's own outputs; X only
    // when no compositor answers.
    if (line.mode == CommandLine::Mode::Fullscreen) {
        if (auto status = WaylandSaverHost::run(line, WaylandSaverHost::Role::Fullscreen, programName, decoder))
            return *status;
    }
    if (line.mode == CommandLine::Mode::Background) {
        if (auto status = WaylandSaverHost::run(line, WaylandSaverHost::Role::Background, programName, decoder))
            return *status;
        std::fprintf(stderr, "skyvanes: --background needs a Wayland compositor with the layer shell (WAYLAND_SOCKET or WAYLAND_DISPLAY)\n");
        return 1;
    }
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
    quitOnSignals(app);
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

    // The renderer says only that nothing could be shown; say why, once per start.
    if (auto reason = EmptyListReason::find())
        Log::message(*reason);
    for (auto& screen : screens)
        screen->start();
    const int status = app.exec();
    for (auto& screen : screens)
        screen->stop();
    return status;
}
