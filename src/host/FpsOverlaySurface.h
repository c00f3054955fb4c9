// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/GLView.h"

#include <QImage>
#include <QString>

// A surface that draws the frame rate and load into the bottom-left corner of each
// frame just before it is shown, as xscreensaver's hacks do with -fps. It wraps the
// real surface and leaves the GL state as it found it.
class FpsOverlaySurface : public GLSurface {
public:
    explicit FpsOverlaySurface(GLSurface& inner)
        : mInner(inner)
    {
    }

    // Replaces the text; load is the share of the time spent drawing, 0 to 1.
    void setRate(double framesPerSecond, double load);

    bool makeCurrent() override { return mInner.makeCurrent(); }
    void swapBuffers() override;
    double devicePixelRatio() const override { return mInner.devicePixelRatio(); }

private:
    void drawText();

    GLSurface& mInner;
    QString mText { "FPS: ...\nLoad: ..." };
    QImage mImage;
};
