// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/WindowGLSurface.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QWindow>

bool WindowGLSurface::makeCurrent()
{
    return mContext.makeCurrent(&mWindow);
}

void WindowGLSurface::swapBuffers()
{
    mContext.swapBuffers(&mWindow);
}

double WindowGLSurface::devicePixelRatio() const
{
    return mWindow.devicePixelRatio();
}

QSurfaceFormat WindowGLSurface::surfaceFormat(const PixelFormat& format)
{
    QSurfaceFormat result;
    result.setRenderableType(QSurfaceFormat::OpenGL);
    result.setProfile(QSurfaceFormat::CompatibilityProfile);
    result.setSwapBehavior(format.doubleBuffer ? QSurfaceFormat::DoubleBuffer : QSurfaceFormat::SingleBuffer);
    result.setDepthBufferSize(format.depthSize);
    result.setAlphaBufferSize(format.alphaSize);
    const int perChannel = format.colorSize >= 24 ? 8 : (format.colorSize > 0 ? format.colorSize / 3 : 8);
    result.setRedBufferSize(perChannel);
    result.setGreenBufferSize(perChannel);
    result.setBlueBufferSize(perChannel);
    result.setStencilBufferSize(8);
    return result;
}

bool WindowGLSurface::isAvailable(const PixelFormat& format)
{
    const QSurfaceFormat requested = surfaceFormat(format);
    QOffscreenSurface surface;
    surface.setFormat(requested);
    surface.create();
    QOpenGLContext context;
    context.setFormat(requested);
    if (!context.create())
        return false;
    const QSurfaceFormat obtained = context.format();
    if (format.doubleBuffer && obtained.swapBehavior() == QSurfaceFormat::SingleBuffer)
        return false;
    return obtained.depthBufferSize() >= format.depthSize;
}
