// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TestSupport.h"
#include "platform/OffscreenGLSurface.h"
#include "render/LumivelGL.h"
#include "saver/SkyvanesView.h"

#include <gtest/gtest.h>

// A renderer's world: settings of its own with the saver's defaults registered, and a
// headless GL surface of the given size (in points) to draw on.
template <int Width = 64, int Height = 64, int PixelsPerPoint = 1>
class RendererTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SkyvanesView::initialize();
        ASSERT_TRUE(mGL) << "no headless OpenGL (Mesa EGL) on this machine";
    }

    // Starts a renderer drawing on the surface.
    template <typename Renderer>
    Renderer& started(Renderer& view)
    {
        view.setSurface(mGL.get());
        view.startAnimation();
        return view;
    }

    // One frame, as the host's timer asks for it.
    static void frame(LumivelGL& view)
    {
        view.setNeedsDisplay(true);
        view.displayIfNeeded();
    }

    ScopedPreferences mPreferences;
    std::unique_ptr<OffscreenGLSurface> mGL = OffscreenGLSurface::create(Width * PixelsPerPoint, Height* PixelsPerPoint, PixelsPerPoint);
};
