// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/WaylandSaverHost.h"

#include "host/FpsOverlaySurface.h"
#include "host/FrameClock.h"
#include "host/QuitOnSignals.h"
#include "host/ReasonOverlaySurface.h"
#include "platform/Log.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandGLSurface.h"
#include "query/MetadataQuery.h"
#include "render/PictureReadAhead.h"
#include "saver/SkyvanesView.h"
#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"
#include "sources/ImagePathList.h"

#include <QAbstractEventDispatcher>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <functional>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

Rect logicalRect(int width, int height)
{
    return Rect { {}, { static_cast<float>(width), static_cast<float>(height) } };
}

// The saver on one output: its view, its surface and its frame clock.
struct OutputScreen {
    std::uint32_t outputName { 0 };
    std::unique_ptr<SkyvanesView> view;
    std::unique_ptr<WaylandGLSurface> surface;
    std::unique_ptr<ReasonOverlaySurface> reason;
    std::unique_ptr<FpsOverlaySurface> overlay;
    // Called once, after the frame that first read the picture list.
    std::function<void()> listRead;
    std::unique_ptr<FrameClock> clock;
    bool closed { false };

    ~OutputScreen()
    {
        if (clock) {
            clock->stop();
            view->stopAnimation();
        }
        view->renderer()->setSurface(nullptr);
    }

    void tick()
    {
        // Not yet sized, or the last frame is still on its way: this tick is skipped
        // whole, so the sequence of frames stays what it would be at full speed.
        if (closed || !surface->configured() || surface->framePending())
            return;
        // A live query's changes land between frames, never inside one.
        MetadataQuery::deliverPendingUpdates();
        if (surface->prepareFrame()) {
            const Rect frame = logicalRect(surface->width(), surface->height());
            view->setFrame(frame);
            view->renderer()->setFrame(frame);
        }
        view->animateOneFrame();
        view->displayIfNeeded();
        if (listRead && view->renderer()->imagePaths())
            std::exchange(listRead, nullptr)();
    }

    void start()
    {
        double interval = view->animationTimeInterval();
        if (!(interval > 0.0) || !std::isfinite(interval))
            interval = 1.0 / 15.0;
        FrameClock::RateReport report;
        if (overlay)
            report = [shown = overlay.get()](double rate, double load) { shown->setRate(rate, load); };
        clock = std::make_unique<FrameClock>(interval, report, [this] { tick(); });
        view->startAnimation();
        clock->start();
    }
};

class WaylandSession {
public:
    WaylandSession(WaylandConnection& connection, WaylandSaverHost::Role role, bool showFps, std::shared_ptr<const ImageDecoder> decoder)
        : mConnection(connection)
        , mRole(role)
        , mShowFps(showFps)
        , mDecoder(std::move(decoder))
    {
    }

    // False when a surface cannot be made.
    bool add(WaylandOutput& output)
    {
        auto screen = std::make_unique<OutputScreen>();
        screen->outputName = output.name;
        const int scale = std::max(1, output.scale);
        screen->view = std::make_unique<SkyvanesView>(logicalRect(output.width / scale, output.height / scale), false);
        const auto layer = mRole == WaylandSaverHost::Role::Background ? WaylandGLSurface::Layer::Background : WaylandGLSurface::Layer::Overlay;
        screen->surface = WaylandGLSurface::create(mConnection, output, layer, screen->view->renderer()->pixelFormat().value_or(PixelFormat {}));
        if (!screen->surface)
            return false;
        // Full screen, where the screen may be locked: the line names no path.
        const Color background = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName).colorForKey(SettingsKey::BackColor).value_or(Color { 0, 0, 0, 1 });
        const LumivelGL& renderer = *screen->view->renderer();
        screen->reason = std::make_unique<ReasonOverlaySurface>(
            *screen->surface, [&renderer] { return ReasonOverlaySurface::nothingShowsLine(renderer, false, ReasonOverlaySurface::kNoneReadableFullScreen); }, background);
        GLSurface* drawn = screen->reason.get();
        if (mShowFps) {
            screen->overlay = std::make_unique<FpsOverlaySurface>(*screen->reason);
            drawn = screen->overlay.get();
        }
        // The renderer says only that nothing could be shown; say why, once per run,
        // when the first output has read its list (every output reads the same settings).
        screen->listRead = [this] {
            if (std::exchange(mTold, true))
                return;
            if (auto why = ImagePathList::lastWhyEmpty())
                Log::message(*why);
        };
        screen->view->renderer()->setSurface(drawn);
        screen->view->renderer()->setImageDecoder(mDecoder);
        OutputScreen* raw = screen.get();
        // The first frame goes out as soon as the compositor gives the size.
        screen->surface->setConfiguredHandler([raw] { raw->start(); });
        screen->surface->setClosedHandler([this, raw] { closed(*raw); });
        mScreens.push_back(std::move(screen));
        return true;
    }

    void remove(const WaylandOutput& output)
    {
        std::erase_if(mScreens, [&output](const auto& screen) { return screen->outputName == output.name; });
    }

private:
    // An output unplugged closes its surface just before the output itself goes: only
    // a surface closed on an output that stays ends the run.
    void closed(OutputScreen& screen)
    {
        screen.closed = true;
        mConnection.afterPendingEvents([this, name = screen.outputName] {
            const auto outputs = mConnection.outputs();
            if (std::any_of(outputs.begin(), outputs.end(), [name](const WaylandOutput* output) { return output->name == name; }))
                qGuiApp->quit();
        });
    }

    WaylandConnection& mConnection;
    WaylandSaverHost::Role mRole;
    bool mShowFps;
    std::shared_ptr<const ImageDecoder> mDecoder;
    std::vector<std::unique_ptr<OutputScreen>> mScreens;
    bool mTold { false };
};

}

std::optional<int> WaylandSaverHost::run(const CommandLine& line, Role role, const char* programName, std::shared_ptr<const ImageDecoder> decoder)
{
    auto connection = WaylandConnection::connect(role == Role::Fullscreen);
    // A background is a layer or nothing: a toplevel would stand in front of windows.
    if (!connection || (role == Role::Background && !connection->layerShell()))
        return std::nullopt;
    // Qt only keeps time and draws the frame rate's text here; the compositor is ours.
    int argc = 3;
    char platformOption[] = "-platform";
    char platformName[] = "offscreen";
    char* argv[] = { const_cast<char*>(programName), platformOption, platformName, nullptr };
    QGuiApplication app(argc, argv);
    app.setApplicationName("skyvanes");
    QuitOnSignals::install(app);

    SkyvanesView::initialize();
    WaylandSession session(*connection, role, line.showFps, std::move(decoder));
    bool failed = false;
    connection->setListener({
        .outputAdded = [&session, &failed](WaylandOutput& output) {
            if (!session.add(output)) {
                failed = true;
                qGuiApp->exit(1);
            } },
        .outputRemoved = [&session](WaylandOutput& output) { session.remove(output); },
        .inputSeen = [] { qGuiApp->quit(); },
    });
    for (WaylandOutput* output : connection->outputs()) {
        if (!session.add(*output))
            return 1;
    }
    QSocketNotifier events(connection->fd(), QSocketNotifier::Read);
    QObject::connect(&events, &QSocketNotifier::activated, &app, [&connection] {
        if (!connection->dispatch())
            qGuiApp->quit();
    });
    // Requests made while drawing, and events EGL read while swapping, are handled
    // each time the loop is about to wait.
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &app, [&connection] {
        if (!connection->flush())
            qGuiApp->quit();
    });

    const int status = app.exec();
    return failed ? 1 : status;
}
