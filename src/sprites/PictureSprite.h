// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sprites/Sprite.h"
#include "textures/LVTexture.h"

#include <GL/gl.h>
#include <memory>

// What both picture styles share: the texture, the renderer, the picture's size and
// span, and the quad's place. The quad's size and place are chosen once, at creation.
class PictureSprite : public Sprite {
public:
    // The quad's lower-left corner (whole units) and its size (not rounded).
    struct Placement {
        Point origin;
        Size size;
    };

    // True when a texture can give a quad a size: null textures and pictures with
    // neither a width nor a height above 0 cannot.
    static bool canShow(const LVTexture* texture);

    // The picture's longer side becomes base plus 16 draws of uniformInteger(0, k) and
    // the other side keeps its aspect ratio; then x and y are drawn, in that order, so
    // that the quad lies within rect where it fits and overhangs both ends where it
    // does not. Consumes 18 results of random(). imageDimensions must pass canShow.
    static Placement displayOriginWithinRect(Size imageDimensions, Rect rect, float base, int k);

    // Lower-left corner of the quad, in view points (fading) or scene units (flying).
    Point origin() const { return mOrigin; }
    // Width and height of the quad, in the units of origin().
    Size size() const { return mSize; }
    // The picture's fitted size in pixels, copied from the texture at creation.
    Size imageDimensions() const { return mImageDimensions; }
    // The share of the texture the picture fills, copied from the texture at creation.
    Size imageSpan() const { return mImageSpan; }
    // The texture, owned by the sprite for its whole life.
    const LVTexture& texture() const { return *mTexture; }

protected:
    // texture must not be null; parent must outlive the sprite.
    PictureSprite(std::unique_ptr<LVTexture> texture, SpriteParent& parent, Placement placement);

    // Binds the texture and draws the quad at opacity alpha; vertices holds the four
    // corners counter-clockwise from the lower left, with components values each.
    void drawQuad(float alpha, const GLfloat* vertices, GLint components) const;

    SpriteParent& mParent;
    std::unique_ptr<LVTexture> mTexture;
    Size mImageDimensions;
    Size mImageSpan;
    Point mOrigin;
    Size mSize;
};
