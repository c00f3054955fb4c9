// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/ForeignWindowWatch.h"

#include <QGuiApplication>
#include <cstdlib>
#include <xcb/xcb.h>

ForeignWindowWatch::ForeignWindowWatch(std::uint32_t window, std::function<void()> destroyed)
    : mWindow(window)
    , mDestroyed(std::move(destroyed))
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return;
    // Event masks are per client: add to what this connection already selects.
    std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    auto* attributes = xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr);
    if (attributes)
        mask |= attributes->your_event_mask;
    std::free(attributes);
    xcb_change_window_attributes(connection, window, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);
    qGuiApp->installNativeEventFilter(this);
}

ForeignWindowWatch::~ForeignWindowWatch()
{
    if (qGuiApp)
        qGuiApp->removeNativeEventFilter(this);
}

bool ForeignWindowWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t" || !mDestroyed)
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_DESTROY_NOTIFY)
        return false;
    if (reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window != mWindow)
        return false;
    auto destroyed = std::move(mDestroyed);
    mDestroyed = nullptr;
    destroyed();
    return false;
}
