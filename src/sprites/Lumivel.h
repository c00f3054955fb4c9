// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sprites/PictureSprite.h"

#include <memory>

// A picture of the fading style: a flat quad at a random place and size in the view
// that fades in at a random rate to a random peak, then fades out and reports expiry.
class Lumivel : public PictureSprite {
public:
    // A new sprite showing texture inside rect, sized from the parent's bounds; null
    // when the texture is null or has no size. Consumes kRandomResults results of random().
    static std::unique_ptr<Lumivel> lumivelWithTexture(std::unique_ptr<LVTexture> texture, Rect rect, SpriteParent& parent);
    // Size and place (18), fade step and peak (2); the renderer reads ahead by this.
    static constexpr int kRandomResults = 20;

    // A sprite whose choices are already made; for tests and tools. texture must pass
    // canShow, alphaDelta must be above 0 and parent must outlive the sprite.
    Lumivel(std::unique_ptr<LVTexture> texture, SpriteParent& parent, Placement placement, float alphaDelta, float alphaMax);

    // Draws the quad at the current opacity, then calls stepOpacity.
    void animateOneFrame() override;
    // The opacity's move after a frame has been drawn; reports imageExpired to the parent
    // on every call once the opacity is back at 0. Issues no GL calls.
    void stepOpacity();

    // The opacity the next frame is drawn at, 0 to 1.
    float alpha() const { return mAlpha; }
    // The fade-in step per frame; negative once the peak has been reached.
    float alphaDelta() const { return mAlphaDelta; }
    // The peak opacity, from 0.625 to 1 - the fade-in step.
    float alphaMax() const { return mAlphaMax; }

    // The opacity of a new sprite and the fade-out step per frame.
    static constexpr float kInitialAlpha = 0.00625f;
    static constexpr double kFadeOutStep = 0.00625;

private:
    float mAlpha { kInitialAlpha };
    float mAlphaDelta { 0.0f };
    float mAlphaMax { 0.0f };
};
