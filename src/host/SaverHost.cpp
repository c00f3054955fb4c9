// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/SaverHost.h"

#include "host/EmptyListReason.h"
#include "host/FpsOverlaySurface.h"
#include "host/FrameClock.h"
#include "host/SaverWindow.h"
#include "platform/Log.h"
#include "platform/qt/WindowGLSurface.h"
#include "saver/SkyvanesView.h"

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

int gSignalPipe[2] = { -1, -1 };

void onSignal(int)
{
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

// A foreign window tells Qt nothing of its size, so ask the X server.
std::optional<QSize> foreignWindowSize(std::uint64_t id)
{
    xcb_connection_t* connection = x11Connection();
    if (!connection)
        return std::nullopt;
    auto cookie = xcb_get_geometry(connection, static_cast<xcb_drawable_t>(id));
    xcb_get_geometry_reply_t* reply = xcb_get_geometry_reply(connection, cookie, nullptr);
    if (!reply)
        return std::nullopt;
    const QSize size(reply->width, reply->height);
    std::free(reply);
    return size;
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

// Qt aborts when it cannot reach its display; say so in one line instead. Only X is
// checked: another platform named by QT_QPA_PLATFORM, or Wayland, is Qt's to open.
bool displayReachable()
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && std::strncmp(platform, "xcb", 3) != 0)
        return true;
    if (!platform && std::getenv("WAYLAND_DISPLAY"))
        return true;
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        std::fprintf(stderr, "skyvanes: no display (DISPLAY is not set)\n");
        return false;
    }
    xcb_connection_t* connection = xcb_connect(display, nullptr);
    const bool reached = !xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    if (!reached)
        std::fprintf(stderr, "skyvanes: cannot open the display %s\n", display);
    return reached;
}

Rect pointsRect(QSize pixels, double ratio)
{
    return Rect { {}, { static_cast<float>(pixels.width() / ratio), static_cast<float>(pixels.height() / ratio) } };
}

// Where the saver draws: a foreign window (with its size), or a window of its own.
struct Target {
    std::optional<std::uint64_t> foreignId;
    QSize size { 1024, 640 };
    bool preview { false };
};

std::optional<Target> chooseTarget(const CommandLine& line)
{
    Target target;
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
        auto foreignSize = foreignWindowSize(*target.foreignId);
        if (!foreignSize) {
            std::fprintf(stderr, "skyvanes: no X window 0x%llx to draw in\n", static_cast<unsigned long long>(*target.foreignId));
            return std::nullopt;
        }
        target.size = *foreignSize;
        // xscreensaver's settings dialog shows its preview in a small window.
        target.preview = target.preview || target.size.width() < 400;
    } else if (line.mode == CommandLine::Mode::Fullscreen && qGuiApp->primaryScreen()) {
        target.size = qGuiApp->primaryScreen()->size();
    }
    return target;
}

void showWindow(SaverWindow& window, const Target& target, CommandLine::Mode mode)
{
    if (target.foreignId) {
        window.setParent(QWindow::fromWinId(static_cast<WId>(*target.foreignId)));
        window.setGeometry(0, 0, target.size.width(), target.size.height());
        window.show();
        return;
    }
    window.setTitle("Skyvanes");
    window.resize(target.size);
    if (mode == CommandLine::Mode::Fullscreen)
        window.showFullScreen();
    else
        window.show();
}

// Follow the foreign window's size; when it is gone, the run is over.
void followForeignWindow(QTimer& watch, SaverWindow& window, std::uint64_t id)
{
    QObject::connect(&watch, &QTimer::timeout, [&window, id] {
        auto current = foreignWindowSize(id);
        if (!current) {
            qGuiApp->quit();
            return;
        }
        if (*current != window.size())
            window.setGeometry(0, 0, current->width(), current->height());
    });
    watch.start(500);
}

void followOwnSize(SaverWindow& window, SkyvanesView& view)
{
    QObject::connect(&window, &SaverWindow::resized, [&window, &view] {
        const double pixelRatio = window.devicePixelRatio();
        const Rect frame = pointsRect(window.size() * pixelRatio, pixelRatio);
        if (frame == view.frame())
            return;
        view.setFrame(frame);
        view.renderer()->setFrame(frame);
    });
}

// One tick per animation interval followed by a redraw, until the event loop ends.
int animate(SkyvanesView& view, SaverWindow& window, FpsOverlaySurface* overlay)
{
    double interval = view.animationTimeInterval();
    if (!(interval > 0.0) || !std::isfinite(interval))
        interval = 1.0 / 15.0;
    FrameClock::RateReport report;
    if (overlay)
        report = [overlay](double rate, double load) { overlay->setRate(rate, load); };
    FrameClock clock(interval, report, [&] {
        view.animateOneFrame();
        if (window.isExposed())
            view.displayIfNeeded();
    });
    // The renderer says only that nothing could be shown; say why, once per start.
    if (auto reason = EmptyListReason::find())
        Log::message(*reason);
    view.startAnimation();
    clock.start();
    const int status = qGuiApp->exec();
    clock.stop();
    view.stopAnimation();
    return status;
}

}

int SaverHost::run(const CommandLine& line, const char* programName)
{
    if (!displayReachable())
        return 1;
    int argc = 1;
    char* argv[] = { const_cast<char*>(programName), nullptr };
    QGuiApplication app(argc, argv);
    app.setApplicationName("skyvanes");
    quitOnSignals(app);
    PixelFormat::setAvailability(&WindowGLSurface::isAvailable);

    const auto target = chooseTarget(line);
    if (!target)
        return 1;

    SkyvanesView::initialize();
    SaverWindow window(line.mode == CommandLine::Mode::Window || line.mode == CommandLine::Mode::Fullscreen);
    const double ratio = window.devicePixelRatio();
    SkyvanesView view(pointsRect(target->size, target->foreignId ? ratio : 1.0), target->preview);
    LumivelGL* renderer = view.renderer();
    window.setFormat(WindowGLSurface::surfaceFormat(renderer->pixelFormat().value_or(PixelFormat {})));
    showWindow(window, *target, line.mode);

    QOpenGLContext context;
    context.setFormat(window.requestedFormat());
    if (!context.create()) {
        std::fprintf(stderr, "skyvanes: cannot make an OpenGL context\n");
        return 1;
    }
    WindowGLSurface surface(window, context);
    FpsOverlaySurface overlay(surface);
    renderer->setSurface(line.showFps ? static_cast<GLSurface*>(&overlay) : &surface);
    followOwnSize(window, view);
    QTimer foreignWatch;
    if (target->foreignId)
        followForeignWindow(foreignWatch, window, *target->foreignId);

    const int status = animate(view, window, line.showFps ? &overlay : nullptr);
    renderer->setSurface(nullptr);
    return status;
}
