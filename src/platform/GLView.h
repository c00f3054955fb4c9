// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/View.h"

#include <functional>
#include <optional>
#include <vector>

// What a view asks of its OpenGL surface, built from an attribute list as the
// view's creator gives it.
class PixelFormat {
public:
    enum Attribute : int {
        End = 0,
        DoubleBuffer = 5,
        ColorSize = 8,
        AlphaSize = 11,
        DepthSize = 12,
        NoRecovery = 72
    };

    // The format for a 0-ended attribute list, or nothing when the platform cannot
    // provide it (see setAvailability).
    static std::optional<PixelFormat> pixelFormatWithAttributes(const std::vector<int>& attributes);

    bool doubleBuffer { false };
    int colorSize { 0 };
    int alphaSize { 0 };
    int depthSize { 0 };
    bool noRecovery { false };

    // The host installs the test that says whether a format can be had; without one
    // every format is available. Tests use it to force the fallback format.
    using Availability = std::function<bool(const PixelFormat&)>;
    static void setAvailability(Availability availability);
};

// The drawing surface the host puts behind a GLView: a window, a foreign window or
// an offscreen framebuffer, each with its own OpenGL context.
class GLSurface {
public:
    virtual ~GLSurface() = default;
    virtual bool makeCurrent() = 0;
    // Shows the back buffer (a buffer swap).
    virtual void swapBuffers() = 0;
    // Device pixels per point; 1 on an ordinary screen.
    virtual double devicePixelRatio() const = 0;
};

// A view that draws with OpenGL into the surface its host gives it.
class GLView : public View {
public:
    GLView(Rect frame, std::optional<PixelFormat> format)
        : View(frame)
        , mPixelFormat(format)
    {
    }

    const std::optional<PixelFormat>& pixelFormat() const { return mPixelFormat; }

    // The surface is not owned; the host keeps it alive while the view may draw.
    void setSurface(GLSurface* surface) { mSurface = surface; }

    // False when there is no surface or its context cannot be made current.
    bool makeCurrent();
    // Shows the frame drawn (a buffer swap).
    void flushBuffer();
    double devicePixelRatio() const;

    // Called the first time the context is made current for drawing.
    virtual void prepareOpenGL() { }

protected:
    void display() override;

private:
    std::optional<PixelFormat> mPixelFormat;
    GLSurface* mSurface { nullptr };
    bool mPrepared { false };
};
