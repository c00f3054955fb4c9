// SPDX-License-Identifier: GPL-3.0-or-later
#include "sprites/Skyvane.h"

std::unique_ptr<Skyvane> Skyvane::skyvaneWithTexture(std::unique_ptr<LVTexture>, Rect, SpriteParent&)
{
    return nullptr;
}

void Skyvane::animateOneFrame() { }
