// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/WaylandGLSurface.h"

#include "fractional-scale-v1-client-protocol.h"
#include "viewporter-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

#include <EGL/egl.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>
#include <wayland-client.h>
#include <wayland-egl.h>

struct WaylandGLSurfaceEvents {
    static WaylandGLSurface& of(void* data) { return *static_cast<WaylandGLSurface*>(data); }

    static constexpr wl_callback_listener frame {
        [](void* data, wl_callback*, std::uint32_t) { of(data).frameTaken(); },
    };

    static constexpr wp_fractional_scale_v1_listener fractionalScale {
        [](void* data, wp_fractional_scale_v1*, std::uint32_t scale) { of(data).mPreferred120 = scale; },
    };

    static constexpr zwlr_layer_surface_v1_listener layer {
        [](void* data, zwlr_layer_surface_v1* surface, std::uint32_t serial, std::uint32_t width, std::uint32_t height) {
            zwlr_layer_surface_v1_ack_configure(surface, serial);
            of(data).configure(static_cast<int>(width), static_cast<int>(height));
        },
        [](void* data, zwlr_layer_surface_v1*) { of(data).close(); },
    };

    static constexpr xdg_surface_listener xdgSurface {
        [](void* data, xdg_surface* surface, std::uint32_t serial) {
            xdg_surface_ack_configure(surface, serial);
            auto& gl = of(data);
            gl.configure(gl.mPendingWidth, gl.mPendingHeight);
        },
    };

    static constexpr xdg_toplevel_listener toplevel {
        [](void* data, xdg_toplevel*, std::int32_t width, std::int32_t height, wl_array*) {
            of(data).mPendingWidth = width;
            of(data).mPendingHeight = height;
        },
        [](void* data, xdg_toplevel*) { of(data).close(); },
        // Versions 4 and 5, never bound.
        nullptr,
        nullptr,
    };
};

std::unique_ptr<WaylandGLSurface> WaylandGLSurface::create(WaylandConnection& connection, WaylandOutput& output, Layer layer, const PixelFormat& format)
{
    std::unique_ptr<WaylandGLSurface> gl(new WaylandGLSurface(connection, output));
    gl->mScale120 = 120 * static_cast<std::uint32_t>(output.scale);
    gl->mSurface = wl_compositor_create_surface(connection.compositor());
    if (gl->mSurface && connection.viewporter() && connection.fractionalScale()) {
        gl->mViewport = wp_viewporter_get_viewport(connection.viewporter(), gl->mSurface);
        gl->mFractionalScale = wp_fractional_scale_manager_v1_get_fractional_scale(connection.fractionalScale(), gl->mSurface);
        wp_fractional_scale_v1_add_listener(gl->mFractionalScale, &WaylandGLSurfaceEvents::fractionalScale, gl.get());
    }
    if (!gl->mSurface || !gl->makeContext(format) || !gl->makeRole(layer)) {
        std::fprintf(stderr, "skyvanes: cannot make an OpenGL surface on the Wayland display\n");
        return nullptr;
    }
    return gl;
}

bool WaylandGLSurface::makeRole(Layer layer)
{
    if (zwlr_layer_shell_v1* shell = mConnection.layerShell()) {
        const bool overlay = layer == Layer::Overlay;
        mLayerSurface = zwlr_layer_shell_v1_get_layer_surface(shell, mSurface, mOutput.output,
            overlay ? ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY : ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND, "skyvanes");
        zwlr_layer_surface_v1_add_listener(mLayerSurface, &WaylandGLSurfaceEvents::layer, this);
        zwlr_layer_surface_v1_set_anchor(mLayerSurface, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM | ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        zwlr_layer_surface_v1_set_size(mLayerSurface, 0, 0);
        // Over panels and docks too, whatever room they keep for themselves.
        zwlr_layer_surface_v1_set_exclusive_zone(mLayerSurface, -1);
        zwlr_layer_surface_v1_set_keyboard_interactivity(mLayerSurface,
            overlay ? ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE : ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
    } else if (xdg_wm_base* shell = mConnection.xdgShell()) {
        mXdgSurface = xdg_wm_base_get_xdg_surface(shell, mSurface);
        xdg_surface_add_listener(mXdgSurface, &WaylandGLSurfaceEvents::xdgSurface, this);
        mToplevel = xdg_surface_get_toplevel(mXdgSurface);
        xdg_toplevel_add_listener(mToplevel, &WaylandGLSurfaceEvents::toplevel, this);
        xdg_toplevel_set_title(mToplevel, "Skyvanes");
        xdg_toplevel_set_app_id(mToplevel, "org.skyvanes.Skyvanes");
        xdg_toplevel_set_fullscreen(mToplevel, mOutput.output);
    } else {
        return false;
    }
    // The first commit carries no buffer; the compositor answers with the size.
    wl_surface_commit(mSurface);
    return true;
}

bool WaylandGLSurface::makeContext(const PixelFormat& format)
{
    EGLDisplay display = mConnection.eglDisplay();
    if (!eglBindAPI(EGL_OPENGL_API))
        return false;
    const EGLint wanted[] = { EGL_SURFACE_TYPE, EGL_WINDOW_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_RED_SIZE, 8,
        EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_DEPTH_SIZE, format.depthSize, EGL_NONE };
    EGLint count = 0;
    if (!eglChooseConfig(display, wanted, nullptr, 0, &count) || count < 1)
        return false;
    std::vector<EGLConfig> configs(static_cast<std::size_t>(count));
    eglChooseConfig(display, wanted, configs.data(), count, &count);
    // A buffer with alpha would let the desktop show through wherever a picture's
    // blending leaves it below 1; the saver covers the screen, so take an opaque one.
    // Eight bits a channel: not every compositor takes the deeper formats offered first.
    const auto channels = [display](EGLConfig candidate, EGLint attribute) {
        EGLint value = 0;
        eglGetConfigAttrib(display, candidate, attribute, &value);
        return value;
    };
    EGLConfig config = configs.front();
    int best = -1;
    for (EGLConfig candidate : configs) {
        const bool eightBits = channels(candidate, EGL_RED_SIZE) == 8 && channels(candidate, EGL_GREEN_SIZE) == 8 && channels(candidate, EGL_BLUE_SIZE) == 8;
        const int score = (eightBits ? 2 : 0) + (channels(candidate, EGL_ALPHA_SIZE) == 0 ? 1 : 0);
        if (score > best) {
            best = score;
            config = candidate;
        }
    }
    mContext = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    if (mContext == EGL_NO_CONTEXT) {
        mContext = nullptr;
        return false;
    }
    // The output's size until the compositor gives the surface's: Mesa may draw the
    // first frame at the size the window was made with, and a buffer that is not a
    // whole multiple of the scale is refused.
    mWindow = wl_egl_window_create(mSurface, std::max(mOutput.width, mOutput.scale), std::max(mOutput.height, mOutput.scale));
    if (!mWindow)
        return false;
    mEglSurface = eglCreateWindowSurface(display, config, reinterpret_cast<EGLNativeWindowType>(mWindow), nullptr);
    if (mEglSurface == EGL_NO_SURFACE) {
        mEglSurface = nullptr;
        return false;
    }
    if (!makeCurrent())
        return false;
    // The frame callbacks pace the drawing: a swap must never wait for the compositor.
    eglSwapInterval(display, 0);
    return true;
}

WaylandGLSurface::~WaylandGLSurface()
{
    EGLDisplay display = mConnection.eglDisplay();
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (mEglSurface)
        eglDestroySurface(display, mEglSurface);
    if (mContext)
        eglDestroyContext(display, mContext);
    if (mWindow)
        wl_egl_window_destroy(mWindow);
    if (mFrameCallback)
        wl_callback_destroy(mFrameCallback);
    if (mLayerSurface)
        zwlr_layer_surface_v1_destroy(mLayerSurface);
    if (mToplevel)
        xdg_toplevel_destroy(mToplevel);
    if (mXdgSurface)
        xdg_surface_destroy(mXdgSurface);
    if (mFractionalScale)
        wp_fractional_scale_v1_destroy(mFractionalScale);
    if (mViewport)
        wp_viewport_destroy(mViewport);
    if (mSurface)
        wl_surface_destroy(mSurface);
}

bool WaylandGLSurface::makeCurrent()
{
    return eglBindAPI(EGL_OPENGL_API) && eglMakeCurrent(mConnection.eglDisplay(), mEglSurface, mEglSurface, mContext) == EGL_TRUE;
}

void WaylandGLSurface::swapBuffers()
{
    if (!mFrameCallback) {
        mFrameCallback = wl_surface_frame(mSurface);
        wl_callback_add_listener(mFrameCallback, &WaylandGLSurfaceEvents::frame, this);
    }
    eglSwapBuffers(mConnection.eglDisplay(), mEglSurface);
}

void WaylandGLSurface::frameTaken()
{
    wl_callback_destroy(mFrameCallback);
    mFrameCallback = nullptr;
}

void WaylandGLSurface::configure(int width, int height)
{
    // A size left to the client (0) is the output's, in logical pixels.
    const int scale = mOutput.scale;
    mPendingWidth = width > 0 ? width : mOutput.width / scale;
    mPendingHeight = height > 0 ? height : mOutput.height / scale;
    if (mConfigured)
        return;
    mConfigured = true;
    if (mOnConfigured)
        mOnConfigured();
}

bool WaylandGLSurface::prepareFrame()
{
    const bool resized = mPendingWidth != mWidth || mPendingHeight != mHeight;
    // Through a viewport, the fractional scale the compositor prefers once the surface
    // is on the output, the output's whole one until then; else the output's, as the
    // buffer scale.
    const std::uint32_t wanted = mViewport && mPreferred120 > 0 ? mPreferred120 : 120 * static_cast<std::uint32_t>(mOutput.scale);
    if (!resized && wanted == mScale120 && mWidth > 0)
        return false;
    mWidth = mPendingWidth;
    mHeight = mPendingHeight;
    mScale120 = wanted;
    // These take effect with the commit of the next frame, which is drawn at this size.
    if (!mViewport)
        wl_surface_set_buffer_scale(mSurface, static_cast<std::int32_t>(wanted / 120));
    else if (mWidth > 0 && mHeight > 0)
        wp_viewport_set_destination(mViewport, mWidth, mHeight);
    const auto device = [wanted](int logical) { return static_cast<int>(std::lround(logical * (wanted / 120.0))); };
    wl_egl_window_resize(mWindow, device(mWidth), device(mHeight), 0, 0);
    return resized;
}

void WaylandGLSurface::close()
{
    if (mOnClosed)
        mOnClosed();
}
