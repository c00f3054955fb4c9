// SPDX-License-Identifier: GPL-3.0-or-later
#include "sprites/Skyvane.h"

#include "platform/Random.h"

#include <cmath>

namespace {

// Sizes are in scene units and do not follow the view: the perspective does that.
PictureSprite::Placement placeInScene(Size imageDimensions, Rect rect, bool preview)
{
    // Twice the rect's size about its centre, which is the eye's line of sight, so
    // pictures pass the viewer on every side.
    Rect area = offsetRect(rect, -0.5f * rect.size.width, -0.5f * rect.size.height);
    area.size.width += rect.size.width;
    area.size.height += rect.size.height;
    const float base = preview ? 32.0f : 128.0f;
    const int k = preview ? 2 : 16;
    return PictureSprite::displayOriginWithinRect(imageDimensions, area, base, k);
}

}

float Skyvane::usableFlightSpeed(float speed)
{
    // A speed that does not advance a picture would keep a full set of pictures on
    // screen for ever. The slowest step is 0.8 times the speed; adding it to the
    // deepest depth must give another float, so it must exceed half the spacing of
    // floats there (nearer depths have finer spacing and move all the more).
    const double halfSpacing = (std::nextafter(-kDeepestStart, INFINITY) + kDeepestStart) / 2.0;
    return std::isfinite(speed) && static_cast<double>(speed) * 0.8 > halfSpacing ? speed : kDefaultFlightSpeed;
}

std::unique_ptr<Skyvane> Skyvane::skyvaneWithTexture(std::unique_ptr<LVTexture> texture, Rect rect, SpriteParent& parent)
{
    if (!canShow(texture.get()))
        return nullptr;

    const Placement placement = placeInScene(texture->imageDimensions(), rect, parent.preview());
    const float startDepth = uniformFloat(0.0f, 1000.0f) + kDeepestStart;
    const double speed = usableFlightSpeed(parent.flightSpeed());
    const float lo = static_cast<float>(speed * 0.8);
    const float hi = static_cast<float>(speed * 1.2);
    const float step = lo + (hi - lo) * unitRandom();
    return std::make_unique<Skyvane>(std::move(texture), parent, placement, startDepth, step);
}

Skyvane::Skyvane(std::unique_ptr<LVTexture> texture, SpriteParent& parent, Placement placement, float startDepth, float step)
    : PictureSprite(std::move(texture), parent, placement)
    , z(startDepth)
    , dz(step)
{
}

void Skyvane::animateOneFrame()
{
    stepOpacity();
    const GLfloat x = mOrigin.x;
    const GLfloat y = mOrigin.y;
    const GLfloat right = x + mSize.width;
    const GLfloat top = y + mSize.height;
    const GLfloat vertices[12] = { x, y, z, right, y, z, right, top, z, x, top, z };
    drawQuad(mAlpha, vertices, 3);
    stepDepth();
}

void Skyvane::stepOpacity()
{
    if (mAlpha < 1.0f)
        mAlpha += kAlphaStep;
}

void Skyvane::stepDepth()
{
    if (z < zmin)
        z += dz;
    else
        mParent.imageExpired(*this);
}
