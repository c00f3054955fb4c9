// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Color.h"
#include "platform/GLView.h"

#include <QImage>
#include <functional>
#include <optional>
#include <string>

// A surface that writes why nothing shows across the middle of each frame just before
// it is shown: one small line in a colour that stands out from the background. It
// wraps the real surface, asks for the line at every frame (nothing: the frame is
// left as the renderer drew it) and leaves the GL state as it found it.
class ReasonOverlaySurface : public GLSurface {
public:
    using LineSource = std::function<std::optional<std::string>()>;

    // background is the colour the renderer clears to; line is called on the thread
    // that swaps.
    ReasonOverlaySurface(GLSurface& inner, LineSource line, Color background);

    bool makeCurrent() override { return mInner.makeCurrent(); }
    void swapBuffers() override;
    double devicePixelRatio() const override { return mInner.devicePixelRatio(); }

    // The text's height in device pixels for a view of the given height: a fixed share
    // of it, never below a legible minimum.
    static int textHeight(int viewHeight);

private:
    void drawLine(const std::string& line);
    void render(const std::string& line, int width, int height);

    GLSurface& mInner;
    LineSource mLine;
    Color mBackground;
    // The rendered line, bottom row first, and what it was rendered for.
    QImage mImage;
    std::string mImageLine;
    int mImageWidth { 0 };
    int mImageHeight { 0 };
};
