// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/SaverScreen.h"

#include "query/MetadataQuery.h"
#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"
#include "sources/ImagePathList.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <xcb/xcb.h>

namespace {

Rect pointsRect(QSize pixels, double ratio)
{
    return Rect { {}, { static_cast<float>(pixels.width() / ratio), static_cast<float>(pixels.height() / ratio) } };
}

}

std::optional<QSize> SaverScreen::foreignWindowSize(std::uint64_t id)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
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

SaverScreen::SaverScreen(const SaverTarget& target, CommandLine::Mode mode)
    : mTarget(target)
    , mNamesFolders(target.preview || mode == CommandLine::Mode::Window)
    , mWindow(mode == CommandLine::Mode::Window || mode == CommandLine::Mode::Fullscreen)
{
    if (target.screen)
        mWindow.setScreen(target.screen);
    const double ratio = mWindow.devicePixelRatio();
    mView = std::make_unique<SkyvanesView>(pointsRect(target.size, target.foreignId ? ratio : 1.0), target.preview);
    mWindow.setFormat(WindowGLSurface::surfaceFormat(mView->renderer()->pixelFormat().value_or(PixelFormat {})));
}

SaverScreen::~SaverScreen()
{
    mView->renderer()->setSurface(nullptr);
}

std::unique_ptr<SaverScreen> SaverScreen::create(const SaverTarget& target, CommandLine::Mode mode, bool showFps)
{
    std::unique_ptr<SaverScreen> screen(new SaverScreen(target, mode));
    screen->show(mode);
    if (!screen->attachSurface(showFps)) {
        std::fprintf(stderr, "skyvanes: cannot make an OpenGL context\n");
        return nullptr;
    }
    screen->followOwnSize();
    if (target.foreignId)
        screen->followForeignWindow(*target.foreignId);
    return screen;
}

void SaverScreen::show(CommandLine::Mode mode)
{
    if (mTarget.foreignId) {
        mWindow.setParent(QWindow::fromWinId(static_cast<WId>(*mTarget.foreignId)));
        mWindow.setGeometry(0, 0, mTarget.size.width(), mTarget.size.height());
        mWindow.show();
        return;
    }
    mWindow.setTitle("Skyvanes");
    if (mTarget.screen)
        mWindow.setGeometry(mTarget.screen->geometry());
    else
        mWindow.resize(mTarget.size);
    if (mode == CommandLine::Mode::Fullscreen)
        mWindow.showFullScreen();
    else
        mWindow.show();
}

bool SaverScreen::attachSurface(bool showFps)
{
    mContext.setFormat(mWindow.requestedFormat());
    if (!mContext.create())
        return false;
    mSurface = std::make_unique<WindowGLSurface>(mWindow, mContext);
    const Color background = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName).colorForKey(SettingsKey::BackColor).value_or(Color { 0, 0, 0, 1 });
    mReason = std::make_unique<ReasonOverlaySurface>(
        *mSurface, [this] { return nothingShowsLine(); }, background);
    GLSurface* surface = mReason.get();
    if (showFps) {
        mOverlay = std::make_unique<FpsOverlaySurface>(*mReason);
        surface = mOverlay.get();
    }
    mView->renderer()->setSurface(surface);
    return true;
}

void SaverScreen::followOwnSize()
{
    QObject::connect(&mWindow, &SaverWindow::resized, [this] {
        const double pixelRatio = mWindow.devicePixelRatio();
        const Rect frame = pointsRect(mWindow.size() * pixelRatio, pixelRatio);
        if (frame == mView->frame())
            return;
        mView->setFrame(frame);
        mView->renderer()->setFrame(frame);
    });
}

// Follow the foreign window's size; when it is gone, the run is over. Its
// destruction stops the frames at once; the poll only catches what that misses.
void SaverScreen::followForeignWindow(std::uint64_t id)
{
    mForeignDestroyed = std::make_unique<ForeignWindowWatch>(static_cast<std::uint32_t>(id), [this] {
        mForeignGone = true;
        if (mClock)
            mClock->stop();
        qGuiApp->quit();
    });
    QObject::connect(&mForeignWatch, &QTimer::timeout, [this, id] {
        auto current = foreignWindowSize(id);
        if (!current) {
            qGuiApp->quit();
            return;
        }
        if (*current != mWindow.size())
            mWindow.setGeometry(0, 0, current->width(), current->height());
    });
    mForeignWatch.start(500);
}

std::optional<std::string> SaverScreen::nothingShowsLine() const
{
    return ReasonOverlaySurface::nothingShowsLine(*mView->renderer(), mNamesFolders, mNoneReadableLine);
}

void SaverScreen::start(std::function<void()> listRead)
{
    std::string folder;
    auto& defaults = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
    if (mNamesFolders && defaults.integerForKey(SettingsKey::Source) == ImagePathList::kSourceFolder) {
        if (const auto choice = ImagePathList::folderInForce())
            folder = " in " + choice->folder;
    }
    mNoneReadableLine = mNamesFolders ? "None of the pictures" + folder + " could be read." : ReasonOverlaySurface::kNoneReadableFullScreen;
    mListRead = std::move(listRead);
    double interval = mView->animationTimeInterval();
    if (!(interval > 0.0) || !std::isfinite(interval))
        interval = 1.0 / 15.0;
    FrameClock::RateReport report;
    if (mOverlay)
        report = [overlay = mOverlay.get()](double rate, double load) { overlay->setRate(rate, load); };
    mClock = std::make_unique<FrameClock>(interval, report, [this] {
        if (mForeignGone)
            return;
        // A live query's changes land between frames, never inside one.
        MetadataQuery::deliverPendingUpdates();
        mView->animateOneFrame();
        if (mWindow.isExposed())
            mView->displayIfNeeded();
        if (mListRead && mView->renderer()->imagePaths())
            std::exchange(mListRead, nullptr)();
    });
    mView->startAnimation();
    mClock->start();
}

void SaverScreen::stop()
{
    mClock->stop();
    mView->stopAnimation();
}
