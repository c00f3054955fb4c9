// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "host/CommandLine.h"
#include "host/ForeignWindowWatch.h"
#include "host/FpsOverlaySurface.h"
#include "host/FrameClock.h"
#include "host/ReasonOverlaySurface.h"
#include "host/SaverWindow.h"
#include "platform/qt/WindowGLSurface.h"
#include "saver/SkyvanesView.h"

#include <QOpenGLContext>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

class QScreen;

// Where one saver view draws: a foreign window (with its size), one screen to fill,
// or a window of its own.
struct SaverTarget {
    std::optional<std::uint64_t> foreignId;
    QScreen* screen { nullptr };
    QSize size { 1024, 640 };
    bool preview { false };
};

// One saver view in one window, with its own OpenGL context and frame clock: one
// tick per animation interval followed by a redraw.
class SaverScreen {
public:
    // Nothing when no OpenGL context can be had (said on standard error).
    static std::unique_ptr<SaverScreen> create(const SaverTarget& target, CommandLine::Mode mode, bool showFps);
    ~SaverScreen();

    // The decoder the view's renderer reads its pictures with.
    void setImageDecoder(std::shared_ptr<const ImageDecoder> decoder) { mView->renderer()->setImageDecoder(std::move(decoder)); }
    // Starts the frames; listRead is called once, after the frame that first read the
    // picture list.
    void start(std::function<void()> listRead = {});
    void stop();

    // A foreign window tells Qt nothing of its size, so ask the X server.
    static std::optional<QSize> foreignWindowSize(std::uint64_t id);

private:
    SaverScreen(const SaverTarget& target, CommandLine::Mode mode);
    bool attachSurface(bool showFps);
    void show(CommandLine::Mode mode);
    void followOwnSize();
    void followForeignWindow(std::uint64_t id);
    // Why this screen shows nothing, in one line; nothing while it shows or may yet
    // show a picture.
    std::optional<std::string> nothingShowsLine() const;

    SaverTarget mTarget;
    // A preview or a window may name folders; a full screen may be locked, so not there.
    bool mNamesFolders { false };
    // What the screen says when every picture failed, fixed at the start.
    std::string mNoneReadableLine;
    SaverWindow mWindow;
    std::unique_ptr<SkyvanesView> mView;
    QOpenGLContext mContext;
    std::unique_ptr<WindowGLSurface> mSurface;
    std::unique_ptr<ReasonOverlaySurface> mReason;
    std::unique_ptr<FpsOverlaySurface> mOverlay;
    std::unique_ptr<FrameClock> mClock;
    QTimer mForeignWatch;
    std::unique_ptr<ForeignWindowWatch> mForeignDestroyed;
    bool mForeignGone { false };
    std::function<void()> mListRead;
};
