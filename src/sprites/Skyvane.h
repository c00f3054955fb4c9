// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sprites/Sprite.h"
#include "textures/LVTexture.h"

#include <memory>

// A picture of the flying style.
class Skyvane : public Sprite {
public:
    // A new sprite showing texture, placed about rect's centre, or null when it cannot be made.
    static std::unique_ptr<Skyvane> skyvaneWithTexture(std::unique_ptr<LVTexture> texture, Rect rect, SpriteParent& parent);
    void animateOneFrame() override;
};
