// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sprites/PictureSprite.h"

#include <memory>

// A picture of the flying style: a quad facing the viewer that starts deep in the
// perspective scene, fades in over its first 64 frames and flies towards the eye at
// a constant speed until it reaches depth -100, where it reports expiry.
class Skyvane : public PictureSprite {
public:
    // A new sprite showing texture, placed in an area of twice rect's size about rect's
    // centre, sized by the parent's preview flag and moving at about its flight speed;
    // null when the texture is null or has no size. Consumes kRandomResults results of random().
    static std::unique_ptr<Skyvane> skyvaneWithTexture(std::unique_ptr<LVTexture> texture, Rect rect, SpriteParent& parent);
    // Size and place (18), start depth and step (2); the renderer reads ahead by this.
    static constexpr int kRandomResults = 20;

    // A sprite whose choices are already made; for tests and tools. texture must pass
    // canShow and parent must outlive the sprite; a step dz at or below 0 never ends.
    Skyvane(std::unique_ptr<LVTexture> texture, SpriteParent& parent, Placement placement, float startDepth, float step);

    // Calls stepOpacity, draws the quad at the current depth, then calls stepDepth.
    void animateOneFrame() override;
    // The opacity's rise before a frame is drawn: 1/64 a frame up to exactly 1.
    void stepOpacity();
    // The move after a frame has been drawn; reports imageExpired to the parent on every
    // call once the depth has reached -100. Issues no GL calls.
    void stepDepth();

    // The opacity of the last frame drawn, 0 to 1.
    float alpha() const { return mAlpha; }
    // The depth the next frame is drawn at, in scene units (negative, away from the eye).
    float depth() const { return z; }
    // Depth units gained per frame, 0.8 to 1.2 times the flight speed.
    float depthStep() const { return dz; }

    // The depth at which a flight ends, and the opacity gained per frame while fading in.
    static constexpr float kEndDepth = -100.0f;
    static constexpr float kAlphaStep = 0.015625f;

    // The flight speed, in depth units a frame, that stands in for one that would never
    // bring a picture to the viewer (0 or below, not a number, or too small to change
    // a depth held in a float).
    static constexpr float kDefaultFlightSpeed = 100.0f;
    // The deepest start of a flight; starts are drawn from here to 1000 units nearer.
    static constexpr float kDeepestStart = -8500.0f;

    // speed when it moves every picture at every depth of its flight, else the default.
    static float usableFlightSpeed(float speed);

private:
    float z { 0.0f };
    float dz { 0.0f };
    float zmin { kEndDepth };
    float mAlpha { 0.0f };
};
