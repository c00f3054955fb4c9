// SPDX-License-Identifier: GPL-3.0-or-later
#include "sprites/Lumivel.h"

std::unique_ptr<Lumivel> Lumivel::lumivelWithTexture(std::unique_ptr<LVTexture>, Rect, SpriteParent&)
{
    return nullptr;
}

void Lumivel::animateOneFrame() { }
