// SPDX-License-Identifier: GPL-3.0-or-later
#include "sprites/PictureSprite.h"

#include "platform/Random.h"

#include <cmath>

bool PictureSprite::canShow(const LVTexture* texture)
{
    if (!texture)
        return false;
    // A picture of 0 x 0 would make the aspect ratio 0 / 0.
    const Size dimensions = texture->imageDimensions();
    return dimensions.width > 0.0f || dimensions.height > 0.0f;
}

PictureSprite::Placement PictureSprite::displayOriginWithinRect(Size imageDimensions, Rect rect, float base, int k)
{
    float size = base;
    for (int draw = 0; draw < 16; ++draw)
        size += static_cast<float>(uniformInteger(0, k));

    const float width = imageDimensions.width;
    const float height = imageDimensions.height;
    Placement placement;
    if (height > width)
        placement.size = Size { width * (size / height), size };
    else
        placement.size = Size { size, height * (size / width) };

    const float x = std::floor(rect.origin.x + (rect.size.width - placement.size.width) * unitRandom());
    const float y = std::floor(rect.origin.y + (rect.size.height - placement.size.height) * unitRandom());
    placement.origin = Point { x, y };
    return placement;
}

PictureSprite::PictureSprite(std::unique_ptr<LVTexture> texture, SpriteParent& parent, Placement placement)
    : mParent(parent)
    , mTexture(std::move(texture))
    , mImageDimensions(mTexture->imageDimensions())
    , mImageSpan(mTexture->imageSpan())
    , mOrigin(placement.origin)
    , mSize(placement.size)
{
}

void PictureSprite::drawQuad(float alpha, const GLfloat* vertices, GLint components) const
{
    mTexture->activate();
    glColor4f(1.0f, 1.0f, 1.0f, alpha);
    // The picture sits in the texture's lower-left corner, bottom row at t = 0, so these
    // corners show it upright and leave the padding of the power-of-two texture out.
    const GLfloat s = mImageSpan.width;
    const GLfloat t = mImageSpan.height;
    const GLfloat coordinates[8] = { 0.0f, 0.0f, s, 0.0f, s, t, 0.0f, t };
    glTexCoordPointer(2, GL_FLOAT, 0, coordinates);
    glVertexPointer(components, GL_FLOAT, 0, vertices);
    glDrawArrays(GL_QUADS, 0, 4);
}
