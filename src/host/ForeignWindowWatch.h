// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractNativeEventFilter>
#include <cstdint>
#include <functional>

// Tells the moment a foreign X window is destroyed. Drawing into a dead drawable
// makes the GL's swap fail or crash, so this must be heard before the next frame,
// not at the next poll of the window's size.
class ForeignWindowWatch : public QAbstractNativeEventFilter {
public:
    ForeignWindowWatch(std::uint32_t window, std::function<void()> destroyed);
    ~ForeignWindowWatch() override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    std::uint32_t mWindow;
    std::function<void()> mDestroyed;
};
