// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/OffscreenGLSurface.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

std::unique_ptr<OffscreenGLSurface> OffscreenGLSurface::create(int width, int height, double devicePixelRatio, int depthSize)
{
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay)
        return nullptr;
    EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr))
        return nullptr;
    if (!eglBindAPI(EGL_OPENGL_API))
        return nullptr;
    const EGLint configAttributes[] = { EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8,
        EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8, EGL_DEPTH_SIZE, depthSize, EGL_STENCIL_SIZE, 8, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE };
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &count) || count < 1)
        return nullptr;
    const EGLint surfaceAttributes[] = { EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE };
    EGLSurface surface = eglCreatePbufferSurface(display, config, surfaceAttributes);
    if (surface == EGL_NO_SURFACE)
        return nullptr;
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT) {
        eglDestroySurface(display, surface);
        return nullptr;
    }
    std::unique_ptr<OffscreenGLSurface> gl(new OffscreenGLSurface);
    gl->mDisplay = display;
    gl->mSurface = surface;
    gl->mContext = context;
    gl->mWidth = width;
    gl->mHeight = height;
    gl->mRatio = devicePixelRatio;
    if (!gl->makeCurrent())
        return nullptr;
    return gl;
}

OffscreenGLSurface::~OffscreenGLSurface()
{
    eglMakeCurrent(mDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(mDisplay, mContext);
    eglDestroySurface(mDisplay, mSurface);
}

bool OffscreenGLSurface::makeCurrent()
{
    return eglMakeCurrent(mDisplay, mSurface, mSurface, mContext) == EGL_TRUE;
}

// Nothing shows a pbuffer, so nothing else ends a frame: without a flush the GL
// keeps every frame's commands, and the textures they name, for ever.
void OffscreenGLSurface::swapBuffers()
{
    glFlush();
    ++mSwapCount;
}

OffscreenGLSurface::Pixel OffscreenGLSurface::pixel(int x, int y) const
{
    Pixel p {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &p);
    return p;
}

std::vector<std::uint8_t> OffscreenGLSurface::readPixels() const
{
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(mWidth) * mHeight * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, mWidth, mHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}
