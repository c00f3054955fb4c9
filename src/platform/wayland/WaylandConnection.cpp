// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/WaylandConnection.h"

#include "fractional-scale-v1-client-protocol.h"
#include "viewporter-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <wayland-client.h>

namespace {
// How far the pointer may wander from where it came in before it counts, in logical
// pixels: a table knocked should not end the saver.
constexpr double kPointerSlack = 10.0;
}

struct WaylandConnection::Sync {
    WaylandConnection* connection;
    wl_callback* callback;
    std::function<void()> done;
};

// The listeners libwayland calls, each with the connection as its data. Every event
// of the versions bound has one: libwayland calls them without looking.
struct WaylandConnectionEvents {
    static WaylandConnection& of(void* data) { return *static_cast<WaylandConnection*>(data); }

    static constexpr wl_registry_listener registry {
        WaylandConnection::onGlobal,
        WaylandConnection::onGlobalRemove,
    };

    static constexpr wl_output_listener output {
        [](void*, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t, const char*, const char*, std::int32_t) {},
        [](void* data, wl_output*, std::uint32_t flags, std::int32_t width, std::int32_t height, std::int32_t) {
            if (!(flags & WL_OUTPUT_MODE_CURRENT))
                return;
            auto* described = static_cast<WaylandOutput*>(data);
            described->width = width;
            described->height = height;
        },
        WaylandConnection::onOutputDone,
        [](void* data, wl_output*, std::int32_t factor) { static_cast<WaylandOutput*>(data)->scale = std::max(1, factor); },
        // Version 4, never bound.
        nullptr,
        nullptr,
    };

    static constexpr wl_callback_listener sync {
        [](void* data, wl_callback*, std::uint32_t) {
            auto* sync = static_cast<WaylandConnection::Sync*>(data);
            auto& syncs = sync->connection->mSyncs;
            const auto done = std::move(sync->done);
            wl_callback_destroy(sync->callback);
            std::erase_if(syncs, [sync](const auto& each) { return each.get() == sync; });
            done();
        },
    };

    static constexpr xdg_wm_base_listener xdgShell {
        [](void*, xdg_wm_base* shell, std::uint32_t serial) { xdg_wm_base_pong(shell, serial); },
    };

    static constexpr wl_seat_listener seat {
        WaylandConnection::onSeatCapabilities,
        [](void*, wl_seat*, const char*) {},
    };

    static constexpr wl_keyboard_listener keyboard {
        // The key map is not needed: any key ends the run. Its descriptor is ours to close.
        [](void*, wl_keyboard*, std::uint32_t, std::int32_t fd, std::uint32_t) { ::close(fd); },
        [](void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {},
        [](void*, wl_keyboard*, std::uint32_t, wl_surface*) {},
        [](void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t state) {
            if (state == WL_KEYBOARD_KEY_STATE_PRESSED)
                of(data).endingInput();
        },
        [](void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {},
        [](void*, wl_keyboard*, std::int32_t, std::int32_t) {},
    };

    static constexpr wl_pointer_listener pointer {
        [](void* data, wl_pointer* pointer, std::uint32_t serial, wl_surface*, wl_fixed_t x, wl_fixed_t y) {
            // No cursor over the pictures.
            wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);
            auto& connection = of(data);
            connection.mPointerEntered = true;
            connection.mEntryX = wl_fixed_to_double(x);
            connection.mEntryY = wl_fixed_to_double(y);
        },
        [](void* data, wl_pointer*, std::uint32_t, wl_surface*) { of(data).mPointerEntered = false; },
        [](void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) { of(data).pointerMoved(wl_fixed_to_double(x), wl_fixed_to_double(y)); },
        [](void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t state) {
            if (state == WL_POINTER_BUTTON_STATE_PRESSED)
                of(data).endingInput();
        },
        [](void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {},
        [](void*, wl_pointer*) {},
        [](void*, wl_pointer*, std::uint32_t) {},
        [](void*, wl_pointer*, std::uint32_t, std::uint32_t) {},
        [](void*, wl_pointer*, std::uint32_t, std::int32_t) {},
        // Version 8 on, never bound.
        nullptr,
    };

    static constexpr wl_touch_listener touch {
        [](void* data, wl_touch*, std::uint32_t, std::uint32_t, wl_surface*, std::int32_t, wl_fixed_t, wl_fixed_t) { of(data).endingInput(); },
        [](void*, wl_touch*, std::uint32_t, std::uint32_t, std::int32_t) {},
        [](void*, wl_touch*, std::uint32_t, std::int32_t, wl_fixed_t, wl_fixed_t) {},
        [](void*, wl_touch*) {},
        [](void*, wl_touch*) {},
        [](void*, wl_touch*, std::int32_t, wl_fixed_t, wl_fixed_t) {},
        [](void*, wl_touch*, std::int32_t, wl_fixed_t) {},
    };
};

std::unique_ptr<WaylandConnection> WaylandConnection::connect(bool withInput)
{
    const char* socket = std::getenv("WAYLAND_SOCKET");
    const char* name = std::getenv("WAYLAND_DISPLAY");
    if (!(socket && *socket) && !(name && *name))
        return nullptr;
    std::unique_ptr<WaylandConnection> connection(new WaylandConnection);
    connection->mWithInput = withInput;
    connection->mDisplay = wl_display_connect(nullptr);
    if (!connection->mDisplay)
        return nullptr;
    connection->mRegistry = wl_display_get_registry(connection->mDisplay);
    wl_registry_add_listener(connection->mRegistry, &WaylandConnectionEvents::registry, connection.get());
    // The first round trip gives the globals, the second what the outputs and the seat say.
    if (wl_display_roundtrip(connection->mDisplay) < 0 || wl_display_roundtrip(connection->mDisplay) < 0)
        return nullptr;
    if (!connection->mCompositor || (!connection->mLayerShell && !connection->mXdgShell))
        return nullptr;
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    EGLDisplay egl = getPlatformDisplay ? getPlatformDisplay(EGL_PLATFORM_WAYLAND_KHR, connection->mDisplay, nullptr) : EGL_NO_DISPLAY;
    if (egl == EGL_NO_DISPLAY || !eglInitialize(egl, nullptr, nullptr))
        return nullptr;
    connection->mEglDisplay = egl;
    return connection;
}

WaylandConnection::~WaylandConnection()
{
    if (mEglDisplay)
        eglTerminate(mEglDisplay);
    for (const auto& output : mOutputs)
        releaseOutput(output->output);
    mOutputs.clear();
    for (const auto& sync : mSyncs)
        wl_callback_destroy(sync->callback);
    if (mKeyboard)
        wl_keyboard_destroy(mKeyboard);
    if (mPointer)
        wl_pointer_destroy(mPointer);
    if (mTouch)
        wl_touch_destroy(mTouch);
    if (mSeat)
        wl_seat_destroy(mSeat);
    if (mLayerShell)
        zwlr_layer_shell_v1_destroy(mLayerShell);
    if (mXdgShell)
        xdg_wm_base_destroy(mXdgShell);
    if (mViewporter)
        wp_viewporter_destroy(mViewporter);
    if (mFractionalScale)
        wp_fractional_scale_manager_v1_destroy(mFractionalScale);
    if (mCompositor)
        wl_compositor_destroy(mCompositor);
    if (mRegistry)
        wl_registry_destroy(mRegistry);
    if (mDisplay)
        wl_display_disconnect(mDisplay);
}

void WaylandConnection::onGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t version)
{
    auto& connection = *static_cast<WaylandConnection*>(data);
    const auto bind = [&](const wl_interface& kind, std::uint32_t most) {
        return wl_registry_bind(registry, name, &kind, std::min(version, most));
    };
    if (std::strcmp(interface, wl_compositor_interface.name) == 0 && version >= 3)
        connection.mCompositor = static_cast<wl_compositor*>(bind(wl_compositor_interface, 4));
    else if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0)
        connection.mLayerShell = static_cast<zwlr_layer_shell_v1*>(bind(zwlr_layer_shell_v1_interface, 4));
    else if (std::strcmp(interface, xdg_wm_base_interface.name) == 0) {
        connection.mXdgShell = static_cast<xdg_wm_base*>(bind(xdg_wm_base_interface, 1));
        xdg_wm_base_add_listener(connection.mXdgShell, &WaylandConnectionEvents::xdgShell, &connection);
    } else if (std::strcmp(interface, wp_viewporter_interface.name) == 0)
        connection.mViewporter = static_cast<wp_viewporter*>(bind(wp_viewporter_interface, 1));
    else if (std::strcmp(interface, wp_fractional_scale_manager_v1_interface.name) == 0)
        connection.mFractionalScale = static_cast<wp_fractional_scale_manager_v1*>(bind(wp_fractional_scale_manager_v1_interface, 1));
    else if (std::strcmp(interface, wl_output_interface.name) == 0 && version >= 2)
        connection.bindOutput(name, version);
    else if (std::strcmp(interface, wl_seat_interface.name) == 0 && connection.mWithInput && !connection.mSeat) {
        connection.mSeat = static_cast<wl_seat*>(bind(wl_seat_interface, 5));
        wl_seat_add_listener(connection.mSeat, &WaylandConnectionEvents::seat, &connection);
    }
}

void WaylandConnection::bindOutput(std::uint32_t name, std::uint32_t version)
{
    auto described = std::make_unique<WaylandOutput>();
    described->name = name;
    described->connection = this;
    described->output = static_cast<wl_output*>(wl_registry_bind(mRegistry, name, &wl_output_interface, std::min<std::uint32_t>(version, 3)));
    wl_output_add_listener(described->output, &WaylandConnectionEvents::output, described.get());
    mOutputs.push_back(std::move(described));
}

void WaylandConnection::onOutputDone(void* data, wl_output*)
{
    auto* described = static_cast<WaylandOutput*>(data);
    if (described->described)
        return;
    described->described = true;
    if (described->connection->mListener.outputAdded)
        described->connection->mListener.outputAdded(*described);
}

void WaylandConnection::onGlobalRemove(void* data, wl_registry*, std::uint32_t name)
{
    auto& connection = *static_cast<WaylandConnection*>(data);
    auto found = std::find_if(connection.mOutputs.begin(), connection.mOutputs.end(), [name](const auto& output) { return output->name == name; });
    if (found == connection.mOutputs.end())
        return;
    std::unique_ptr<WaylandOutput> gone = std::move(*found);
    connection.mOutputs.erase(found);
    if (gone->described && connection.mListener.outputRemoved)
        connection.mListener.outputRemoved(*gone);
    releaseOutput(gone->output);
}

void WaylandConnection::releaseOutput(wl_output* output)
{
    if (wl_output_get_version(output) >= 3)
        wl_output_release(output);
    else
        wl_output_destroy(output);
}

void WaylandConnection::onSeatCapabilities(void* data, wl_seat* seat, std::uint32_t capabilities)
{
    auto& connection = *static_cast<WaylandConnection*>(data);
    if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) && !connection.mKeyboard) {
        connection.mKeyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(connection.mKeyboard, &WaylandConnectionEvents::keyboard, &connection);
    }
    if ((capabilities & WL_SEAT_CAPABILITY_POINTER) && !connection.mPointer) {
        connection.mPointer = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(connection.mPointer, &WaylandConnectionEvents::pointer, &connection);
    }
    if ((capabilities & WL_SEAT_CAPABILITY_TOUCH) && !connection.mTouch) {
        connection.mTouch = wl_seat_get_touch(seat);
        wl_touch_add_listener(connection.mTouch, &WaylandConnectionEvents::touch, &connection);
    }
}

void WaylandConnection::pointerMoved(double x, double y)
{
    if (!mPointerEntered) {
        mPointerEntered = true;
        mEntryX = x;
        mEntryY = y;
        return;
    }
    if (std::hypot(x - mEntryX, y - mEntryY) > kPointerSlack)
        endingInput();
}

void WaylandConnection::endingInput()
{
    if (mListener.inputSeen)
        mListener.inputSeen();
}

std::vector<WaylandOutput*> WaylandConnection::outputs() const
{
    std::vector<WaylandOutput*> described;
    for (const auto& output : mOutputs) {
        if (output->described)
            described.push_back(output.get());
    }
    return described;
}

void WaylandConnection::afterPendingEvents(std::function<void()> done)
{
    auto sync = std::make_unique<Sync>(Sync { this, wl_display_sync(mDisplay), std::move(done) });
    wl_callback_add_listener(sync->callback, &WaylandConnectionEvents::sync, sync.get());
    mSyncs.push_back(std::move(sync));
}

int WaylandConnection::fd() const
{
    return wl_display_get_fd(mDisplay);
}

// Never blocks: EGL reads from the same socket, so what woke the caller may be gone.
bool WaylandConnection::dispatch()
{
    while (wl_display_prepare_read(mDisplay) != 0) {
        if (wl_display_dispatch_pending(mDisplay) < 0)
            return false;
    }
    if (wl_display_read_events(mDisplay) < 0 && errno != EAGAIN)
        return false;
    return wl_display_dispatch_pending(mDisplay) >= 0;
}

bool WaylandConnection::flush()
{
    if (wl_display_dispatch_pending(mDisplay) < 0)
        return false;
    return wl_display_flush(mDisplay) >= 0 || errno == EAGAIN;
}
