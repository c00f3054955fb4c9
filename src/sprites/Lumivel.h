// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sprites/Sprite.h"
#include "textures/LVTexture.h"

#include <memory>

// A picture of the fading style.
class Lumivel : public Sprite {
public:
    // A new sprite showing texture inside rect, or null when it cannot be made.
    static std::unique_ptr<Lumivel> lumivelWithTexture(std::unique_ptr<LVTexture> texture, Rect rect, SpriteParent& parent);
    void animateOneFrame() override;
};
