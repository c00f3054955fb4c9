// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/SaverHost.h"

#include "host/FrameClock.h"
#include "host/SaverWindow.h"
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

Rect pointsRect(QSize pixels, double ratio)
{
    return Rect { {}, { static_cast<float>(pixels.width() / ratio), static_cast<float>(pixels.height() / ratio) } };
}

}

int SaverHost::run(const CommandLine& line, const char* programName)
{
    int argc = 1;
    char* argv[] = { const_cast<char*>(programName), nullptr };
    QGuiApplication app(argc, argv);
    app.setApplicationName("skyvanes");
    quitOnSignals(app);
    PixelFormat::setAvailability(&WindowGLSurface::isAvailable);

    std::optional<std::uint64_t> foreignId;
    if (line.mode == CommandLine::Mode::WindowId)
        foreignId = line.windowId;
    if (line.mode == CommandLine::Mode::Root) {
        foreignId = rootTarget();
        if (!foreignId) {
            std::fprintf(stderr, "skyvanes: --root needs an X display\n");
            return 1;
        }
    }

    QSize size(1024, 640);
    bool preview = line.preview;
    if (foreignId) {
        auto foreignSize = foreignWindowSize(*foreignId);
        if (!foreignSize) {
            std::fprintf(stderr, "skyvanes: no X window 0x%llx to draw in\n", static_cast<unsigned long long>(*foreignId));
            return 1;
        }
        size = *foreignSize;
        // xscreensaver's settings dialog shows its preview in a small window.
        preview = preview || size.width() < 400;
    } else if (line.mode == CommandLine::Mode::Fullscreen && app.primaryScreen()) {
        size = app.primaryScreen()->size();
    }

    SkyvanesView::initialize();
    SaverWindow window(line.mode == CommandLine::Mode::Window || line.mode == CommandLine::Mode::Fullscreen);
    const double ratio = window.devicePixelRatio();
    SkyvanesView view(pointsRect(size, foreignId ? ratio : 1.0), preview);
    LumivelGL* renderer = view.renderer();
    window.setFormat(WindowGLSurface::surfaceFormat(renderer->pixelFormat().value_or(PixelFormat {})));

    if (foreignId) {
        window.setParent(QWindow::fromWinId(static_cast<WId>(*foreignId)));
        window.setGeometry(0, 0, size.width(), size.height());
        window.show();
    } else {
        window.setTitle("Skyvanes");
        window.resize(size);
        if (line.mode == CommandLine::Mode::Fullscreen)
            window.showFullScreen();
        else
            window.show();
    }

    QOpenGLContext context;
    context.setFormat(window.requestedFormat());
    if (!context.create()) {
        std::fprintf(stderr, "skyvanes: cannot make an OpenGL context\n");
        return 1;
    }
    WindowGLSurface surface(window, context);
    renderer->setSurface(&surface);

    auto applySize = [&](QSize pixels, double pixelRatio) {
        const Rect frame = pointsRect(pixels, pixelRatio);
        if (frame == view.frame())
            return;
        view.setFrame(frame);
        renderer->setFrame(frame);
    };
    QObject::connect(&window, &SaverWindow::resized, [&] { applySize(window.size() * window.devicePixelRatio(), window.devicePixelRatio()); });

    QTimer foreignWatch;
    if (foreignId) {
        // Follow the foreign window's size; when it is gone, the run is over.
        QObject::connect(&foreignWatch, &QTimer::timeout, [&] {
            auto current = foreignWindowSize(*foreignId);
            if (!current) {
                app.quit();
                return;
            }
            if (*current != window.size())
                window.setGeometry(0, 0, current->width(), current->height());
        });
        foreignWatch.start(500);
    }

    double interval = view.animationTimeInterval();
    if (!(interval > 0.0) || !std::isfinite(interval))
        interval = 1.0 / 15.0;
    FrameClock clock(interval, line.showFps, [&] {
        view.animateOneFrame();
        if (window.isExposed())
            view.displayIfNeeded();
    });

    view.startAnimation();
    clock.start();
    const int status = app.exec();
    clock.stop();
    view.stopAnimation();
    renderer->setSurface(nullptr);
    return status;
}
