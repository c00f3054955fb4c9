// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/GLView.h"
#include "platform/wayland/WaylandConnection.h"

#include <functional>
#include <memory>

struct wl_callback;
struct wl_egl_window;
struct wl_surface;
struct wp_fractional_scale_v1;
struct wp_viewport;
struct xdg_surface;
struct xdg_toplevel;
struct zwlr_layer_surface_v1;

// A GLView's surface covering one Wayland output, with its own EGL context (desktop
// OpenGL, compatibility profile). On a compositor with the layer shell it is a layer
// surface anchored to every edge; without one, a full-screen xdg toplevel on that
// output. It draws at the output's device pixels: its size is logical, its buffer that
// size times the output's scale, or times the surface's fractional scale where the
// compositor offers one (then shown through a viewport of the logical size).
class WaylandGLSurface : public GLSurface {
public:
    enum class Layer {
        // Above everything, taking the keyboard: a screen saver.
        Overlay,
        // Below everything, taking no input: a lock screen's or desktop's background.
        Background
    };

    // Null when no EGL context or surface can be made (said on standard error). The
    // connection and the output outlive the surface.
    static std::unique_ptr<WaylandGLSurface> create(WaylandConnection& connection, WaylandOutput& output, Layer layer, const PixelFormat& format);
    ~WaylandGLSurface() override;
    WaylandGLSurface(const WaylandGLSurface&) = delete;
    WaylandGLSurface& operator=(const WaylandGLSurface&) = delete;

    bool makeCurrent() override;
    // Asks to be told when the compositor takes this frame, then shows it.
    void swapBuffers() override;
    double devicePixelRatio() const override { return mScale120 / 120.0; }

    // Called once, when the compositor first gives the surface its size.
    void setConfiguredHandler(std::function<void()> handler) { mOnConfigured = std::move(handler); }
    // Called when the compositor takes the surface away (closed, or a toplevel's close).
    void setClosedHandler(std::function<void()> handler) { mOnClosed = std::move(handler); }

    bool configured() const { return mConfigured; }
    // True while the compositor has not yet taken the last frame shown: a frame drawn
    // now would wait behind it, or be thrown away unseen.
    bool framePending() const { return mFrameCallback != nullptr; }
    // Brings the buffer to the latest size and the output's scale before a frame; true
    // when the logical size changed since the last call.
    bool prepareFrame();
    // The logical size, in the output's logical pixels.
    int width() const { return mWidth; }
    int height() const { return mHeight; }
    const WaylandOutput& output() const { return mOutput; }

private:
    WaylandGLSurface(WaylandConnection& connection, WaylandOutput& output)
        : mConnection(connection)
        , mOutput(output)
    {
    }
    bool makeRole(Layer layer);
    bool makeContext(const PixelFormat& format);
    void configure(int width, int height);
    void frameTaken();
    void close();

    WaylandConnection& mConnection;
    WaylandOutput& mOutput;
    wl_surface* mSurface { nullptr };
    zwlr_layer_surface_v1* mLayerSurface { nullptr };
    xdg_surface* mXdgSurface { nullptr };
    xdg_toplevel* mToplevel { nullptr };
    wp_viewport* mViewport { nullptr };
    wp_fractional_scale_v1* mFractionalScale { nullptr };
    wl_callback* mFrameCallback { nullptr };
    wl_egl_window* mWindow { nullptr };
    void* mEglSurface { nullptr };
    void* mContext { nullptr };
    bool mConfigured { false };
    // The size the compositor asked for (logical), the toplevel's until acknowledged.
    int mPendingWidth { 0 };
    int mPendingHeight { 0 };
    int mWidth { 0 };
    int mHeight { 0 };
    // The fractional scale the compositor prefers, in 120ths (0 until told; only with a
    // viewport), and the scale the buffer was last sized for.
    std::uint32_t mPreferred120 { 0 };
    std::uint32_t mScale120 { 120 };
    std::function<void()> mOnConfigured;
    std::function<void()> mOnClosed;

    friend struct WaylandGLSurfaceEvents;
};
