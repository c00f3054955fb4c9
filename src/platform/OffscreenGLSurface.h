// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/GLView.h"

#include <cstdint>
#include <memory>
#include <vector>

// An OpenGL context that needs no display (EGL on the surfaceless platform),
// drawing into a pbuffer of the given size in device pixels. It is also a GLSurface,
// so a GLView can draw into it; swaps are counted. Snapshots and tests draw here.
class OffscreenGLSurface : public GLSurface {
public:
    // Null when no context can be made (no EGL, no Mesa).
    static std::unique_ptr<OffscreenGLSurface> create(int width, int height, double devicePixelRatio = 1.0, int depthSize = 24);
    ~OffscreenGLSurface() override;

    bool makeCurrent() override;
    void swapBuffers() override;
    double devicePixelRatio() const override { return mRatio; }

    int swapCount() const { return mSwapCount; }
    int width() const { return mWidth; }
    int height() const { return mHeight; }

    struct Pixel {
        std::uint8_t r, g, b, a;
        bool operator==(const Pixel&) const = default;
    };
    // The pixel at (x, y) of the colour buffer, y counted from the bottom.
    Pixel pixel(int x, int y) const;
    // The whole colour buffer, bottom row first, RGBA.
    std::vector<std::uint8_t> readPixels() const;

private:
    OffscreenGLSurface() = default;
    void* mDisplay { nullptr };
    void* mSurface { nullptr };
    void* mContext { nullptr };
    int mWidth { 0 };
    int mHeight { 0 };
    double mRatio { 1.0 };
    int mSwapCount { 0 };
};
