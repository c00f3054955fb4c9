// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Color.h"
#include "platform/GLView.h"

class LumivelGL;

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

    // The line for a renderer that shows nothing: the list's reason, or
    // noneReadableLine when every picture failed to load; with namesFolders false
    // (full screen, where the screen may be locked) no path, only where to look.
    // Nothing while a picture shows or a saved search is still gathering.
    static std::optional<std::string> nothingShowsLine(const LumivelGL& renderer, bool namesFolders, const std::string& noneReadableLine);
    // The line for a renderer whose every picture failed, full screen.
    static constexpr const char* kNoneReadableFullScreen = "None of the pictures could be read: skyvanes --list shows which were found.";

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
