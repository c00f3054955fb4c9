// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct wl_compositor;
struct wl_display;
struct wl_keyboard;
struct wl_output;
struct wl_pointer;
struct wl_registry;
struct wl_seat;
struct wl_touch;
struct wp_fractional_scale_manager_v1;
struct wp_viewporter;
struct xdg_wm_base;
struct zwlr_layer_shell_v1;
class WaylandConnection;

// One output of the compositor, as far as it has told: its scale and its current mode.
struct WaylandOutput {
    std::uint32_t name { 0 };
    wl_output* output { nullptr };
    // Device pixels per logical pixel, 1 or more.
    int scale { 1 };
    // The current mode in device pixels; 0 until told.
    int width { 0 };
    int height { 0 };
    // True once the first burst of the output's properties has ended.
    bool described { false };
    // The connection it came on, which owns it.
    WaylandConnection* connection { nullptr };
};

// A connection to the Wayland compositor named by WAYLAND_SOCKET or WAYLAND_DISPLAY,
// with the globals a full-screen saver uses: the compositor, the layer shell or the
// xdg shell, the viewporter and fractional scaling where offered, the seat's input
// devices and the outputs as they come and go.
class WaylandConnection {
public:
    // What the connection reports to its owner; every one is called from dispatch().
    struct Listener {
        // An output has been described in full (at start or when plugged in later).
        std::function<void(WaylandOutput&)> outputAdded;
        // An output is gone; the object is destroyed after this returns.
        std::function<void(WaylandOutput&)> outputRemoved;
        // A key, a button, a touch, or the pointer moved more than 10 logical pixels.
        std::function<void()> inputSeen;
    };

    // Null when no compositor answers or it offers neither shell.
    // withInput: bind the seat and report input; a background needs none.
    static std::unique_ptr<WaylandConnection> connect(bool withInput);
    ~WaylandConnection();
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    void setListener(Listener listener) { mListener = std::move(listener); }

    wl_display* display() const { return mDisplay; }
    wl_compositor* compositor() const { return mCompositor; }
    // Null when the compositor has no layer shell (then xdgShell() is not null).
    zwlr_layer_shell_v1* layerShell() const { return mLayerShell; }
    xdg_wm_base* xdgShell() const { return mXdgShell; }
    // Both null unless the compositor offers both: a fractional scale is of no use
    // without a viewport to draw it through, nor a viewport without one.
    wp_viewporter* viewporter() const { return mFractionalScale ? mViewporter : nullptr; }
    wp_fractional_scale_manager_v1* fractionalScale() const { return mViewporter ? mFractionalScale : nullptr; }
    // The outputs described so far; owned by the connection.
    std::vector<WaylandOutput*> outputs() const;
    // The EGL display on this connection (an EGLDisplay); null when EGL cannot be had.
    void* eglDisplay() const { return mEglDisplay; }

    // The socket to watch for events.
    int fd() const;
    // Calls done once the compositor has answered everything sent so far, after the
    // events it sent before; dropped with the connection.
    void afterPendingEvents(std::function<void()> done);
    // Reads what has arrived and dispatches it; false once the connection is lost.
    bool dispatch();
    // Dispatches events already read (EGL reads too) and sends what is queued; false
    // once the connection is lost.
    bool flush();

private:
    WaylandConnection() = default;
    static void onGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t version);
    static void onGlobalRemove(void* data, wl_registry* registry, std::uint32_t name);
    static void onOutputDone(void* data, wl_output* output);
    static void onSeatCapabilities(void* data, wl_seat* seat, std::uint32_t capabilities);
    void bindOutput(std::uint32_t name, std::uint32_t version);
    static void releaseOutput(wl_output* output);
    void pointerMoved(double x, double y);
    void endingInput();

    wl_display* mDisplay { nullptr };
    wl_registry* mRegistry { nullptr };
    wl_compositor* mCompositor { nullptr };
    zwlr_layer_shell_v1* mLayerShell { nullptr };
    xdg_wm_base* mXdgShell { nullptr };
    wp_viewporter* mViewporter { nullptr };
    wp_fractional_scale_manager_v1* mFractionalScale { nullptr };
    wl_seat* mSeat { nullptr };
    wl_keyboard* mKeyboard { nullptr };
    wl_pointer* mPointer { nullptr };
    wl_touch* mTouch { nullptr };
    bool mWithInput { false };
    bool mPointerEntered { false };
    double mEntryX { 0 };
    double mEntryY { 0 };
    std::vector<std::unique_ptr<WaylandOutput>> mOutputs;
    struct Sync;
    std::vector<std::unique_ptr<Sync>> mSyncs;
    void* mEglDisplay { nullptr };
    Listener mListener;

    friend struct WaylandConnectionEvents;
};
