// SPDX-License-Identifier: GPL-3.0-or-later
#include "sprites/Lumivel.h"

#include "platform/Random.h"

#include <algorithm>

std::unique_ptr<Lumivel> Lumivel::lumivelWithTexture(std::unique_ptr<LVTexture> texture, Rect rect, SpriteParent& parent)
{
    if (!canShow(texture.get()))
        return nullptr;

    // Sizes follow the renderer's whole view, so a picture covers the same share of a
    // small preview as of a large screen.
    const Size view = parent.bounds().size;
    const float m = std::max(view.width, view.height);
    const int k = static_cast<int>(m * 1.5 / 128);
    const Placement placement = displayOriginWithinRect(texture->imageDimensions(), rect, m * 0.125f, k);

    const float alphaDelta = static_cast<float>(0.005 + 0.0025 * unitRandom());
    // Capped one step below 1 so that the last fade-in step cannot pass full opacity.
    const float alphaMax = static_cast<float>(0.625 + ((1.0 - alphaDelta) - 0.625) * unitRandom());
    return std::make_unique<Lumivel>(std::move(texture), parent, placement, alphaDelta, alphaMax);
}

Lumivel::Lumivel(std::unique_ptr<LVTexture> texture, SpriteParent& parent, Placement placement, float alphaDelta, float alphaMax)
    : PictureSprite(std::move(texture), parent, placement)
    , mAlphaDelta(alphaDelta)
    , mAlphaMax(alphaMax)
{
}

void Lumivel::animateOneFrame()
{
    const GLfloat x = mOrigin.x;
    const GLfloat y = mOrigin.y;
    const GLfloat right = x + mSize.width;
    const GLfloat top = y + mSize.height;
    const GLfloat vertices[8] = { x, y, right, y, right, top, x, top };
    drawQuad(mAlpha, vertices, 2);
    stepOpacity();
}

void Lumivel::stepOpacity()
{
    // The sign of the step is the phase: positive while fading in.
    if (mAlphaDelta > 0.0f) {
        if (mAlpha >= mAlphaMax) {
            mAlphaDelta = -mAlphaDelta;
            return;
        }
        mAlpha = std::min(mAlpha + mAlphaDelta, 1.0f);
        return;
    }
    if (mAlpha > 0.0f) {
        mAlpha = std::max(static_cast<float>(mAlpha - kFadeOutStep), 0.0f);
        return;
    }
    mParent.imageExpired(*this);
}
