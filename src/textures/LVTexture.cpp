// SPDX-License-Identifier: GPL-3.0-or-later
#include "textures/LVTexture.h"

#include "platform/ImageDecoder.h"
#include "textures/PictureFile.h"
#include "textures/TextureDimensions.h"

std::unique_ptr<LVTexture> LVTexture::textureWithImageAtPath(const std::string& path, const ImageDecoder& decoder)
{
    return initWithImageAtPath(path, decoder);
}

std::unique_ptr<LVTexture> LVTexture::initWithImageAtPath(const std::string& path, const ImageDecoder& decoder)
{
    const PictureRead read = readFittedPicture(path, decoder, currentMaximumEdge, nullptr);
    return read.picture ? initWithFittedPicture(*read.picture) : nullptr;
}

std::unique_ptr<LVTexture> LVTexture::initWithFittedPicture(const FittedPicture& picture)
{
    Size dimensions;
    Size span;
    const GLuint name = generateTextureDimensions(picture, &dimensions, &span);
    return std::make_unique<LVTexture>(name, dimensions, span);
}

std::unique_ptr<LVTexture> LVTexture::initWithImage(Image& image)
{
    Size dimensions;
    Size span;
    const GLuint name = generateTextureDimensions(image, &dimensions, &span);
    if (name == 0)
        return nullptr;
    return std::make_unique<LVTexture>(name, dimensions, span);
}

LVTexture::LVTexture(GLuint name, Size imageDimensions, Size imageSpan)
    : mTexture(name)
    , mImageDimensions(imageDimensions)
    , mImageSpan(imageSpan)
{
}

LVTexture::~LVTexture()
{
    if (mTexture != 0)
        glDeleteTextures(1, &mTexture);
}

void LVTexture::activate() const
{
    glBindTexture(GL_TEXTURE_2D, mTexture);
}
