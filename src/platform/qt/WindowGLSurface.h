// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/GLView.h"

#include <QSurfaceFormat>

class QOpenGLContext;
class QWindow;

// A GLView's surface in a Qt window, with the window's OpenGL context.
// Neither the window nor the context is owned; both outlive this object.
class WindowGLSurface : public GLSurface {
public:
    WindowGLSurface(QWindow& window, QOpenGLContext& context)
        : mWindow(window)
        , mContext(context)
    {
    }

    bool makeCurrent() override;
    void swapBuffers() override;
    double devicePixelRatio() const override;

    // The Qt request for a pixel format: a compatibility profile, since the saver
    // draws with the fixed-function pipeline.
    static QSurfaceFormat surfaceFormat(const PixelFormat& format);
    // True when a context of that format can be had on this display with the
    // buffering and depth asked for; needs a QGuiApplication.
    static bool isAvailable(const PixelFormat& format);

private:
    QWindow& mWindow;
    QOpenGLContext& mContext;
};
