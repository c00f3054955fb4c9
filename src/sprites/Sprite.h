// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Geometry.h"

class Sprite;

// What a sprite asks of the renderer that made it. The renderer outlives its sprites.
class SpriteParent {
public:
    virtual ~SpriteParent() = default;
    // The renderer's bounds in points.
    virtual Rect bounds() const = 0;
    // True in the host's small preview.
    virtual bool preview() const = 0;
    // Depth units per frame for the flying style.
    virtual float flightSpeed() const = 0;
    // The sprite has finished; the renderer drops it at the end of the current frame.
    virtual void imageExpired(Sprite& sprite) = 0;
};

// One picture on screen. The renderer owns it; it owns its texture.
class Sprite {
public:
    virtual ~Sprite() = default;
    Sprite() = default;
    Sprite(const Sprite&) = delete;
    Sprite& operator=(const Sprite&) = delete;

    // Draws the sprite once with the renderer's state, advances it, and reports
    // imageExpired to the parent when it has finished.
    virtual void animateOneFrame() = 0;
};
