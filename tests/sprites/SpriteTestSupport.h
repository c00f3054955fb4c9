// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sprites/Sprite.h"
#include "textures/LVTexture.h"

#include <memory>

// Answers a sprite's questions and counts its expiry reports.
struct RecordingParent : SpriteParent {
    Rect area { {}, { 1280, 800 } };
    bool small { false };
    float speed { 100.0f };
    int expiries { 0 };
    Rect bounds() const override { return area; }
    bool preview() const override { return small; }
    float flightSpeed() const override { return speed; }
    void imageExpired(Sprite&) override { ++expiries; }
};

// No GL name: for sprites that are never drawn, or whose draws are not looked at.
inline std::unique_ptr<LVTexture> namelessTexture(Size dimensions)
{
    return std::make_unique<LVTexture>(0, dimensions, Size { 1, 1 });
}
