// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/View.h"

// The base of a saver's principal view: the part of the host's contract that every
// saver shares. It keeps the animation interval the host reads; it draws nothing of
// its own.
class ScreenSaverView : public View {
public:
    ScreenSaverView(Rect frame, bool isPreview)
        : View(frame)
        , mIsPreview(isPreview)
    {
    }

    bool isPreview() const { return mIsPreview; }

    // Seconds between two animateOneFrame calls, as the host should schedule them.
    void setAnimationTimeInterval(double seconds) { mAnimationTimeInterval = seconds; }
    double animationTimeInterval() const { return mAnimationTimeInterval; }

    virtual void startAnimation() { }
    virtual void stopAnimation() { }

    // Called by the host once per animation interval while animating.
    virtual void animateOneFrame() { }

    virtual bool hasConfigureSheet() { return false; }

private:
    bool mIsPreview { false };
    double mAnimationTimeInterval { 1.0 / 30.0 };
};
