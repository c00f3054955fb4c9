// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Geometry.h"

#include <GL/gl.h>
#include <memory>
#include <string>

class Image;
class ImageDecoder;
struct FittedPicture;

// One OpenGL texture made from one picture, with the picture's fitted size and the
// fraction of the power-of-two texture it covers. Made, used and destroyed with the
// renderer's OpenGL context current; the destructor deletes the GL texture.
class LVTexture {
public:
    // The texture of the picture file at path (album-artwork cache files included),
    // read with decoder, or null when it cannot be read.
    static std::unique_ptr<LVTexture> textureWithImageAtPath(const std::string& path, const ImageDecoder& decoder);
    // The same as textureWithImageAtPath.
    static std::unique_ptr<LVTexture> initWithImageAtPath(const std::string& path, const ImageDecoder& decoder);
    // The texture of an already decoded picture, which is resized to fit the Detail
    // setting; null when the picture cannot be drawn.
    static std::unique_ptr<LVTexture> initWithImage(Image& image);
    // The texture of a picture already fitted, perhaps on another thread.
    static std::unique_ptr<LVTexture> initWithFittedPicture(const FittedPicture& picture);
    // Adopts an existing texture name (0 for none); for tests and tools.
    LVTexture(GLuint name, Size imageDimensions, Size imageSpan);
    ~LVTexture();
    LVTexture(const LVTexture&) = delete;
    LVTexture& operator=(const LVTexture&) = delete;

    // Binds the texture to GL_TEXTURE_2D.
    void activate() const;
    // The picture's fitted size in pixels.
    Size imageDimensions() const { return mImageDimensions; }
    // Fitted width / texture width and fitted height / texture height, each in (0, 1].
    Size imageSpan() const { return mImageSpan; }
    // The GL texture name; owned by this object.
    GLuint textureName() const { return mTexture; }

private:
    GLuint mTexture { 0 };
    Size mImageDimensions;
    Size mImageSpan;
};
