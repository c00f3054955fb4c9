// SPDX-License-Identifier: GPL-3.0-or-later
#include "textures/LVTexture.h"

#include "platform/ImageDecoder.h"
#include "textures/ArtworkCacheFile.h"
#include "textures/TextureDimensions.h"

std::unique_ptr<LVTexture> LVTexture::textureWithImageAtPath(const std::string& path, const ImageDecoder& decoder)
{
    return initWithImageAtPath(path, decoder);
}

std::unique_ptr<LVTexture> LVTexture::initWithImageAtPath(const std::string& path, const ImageDecoder& decoder)
{
    if (ArtworkCacheFile::isArtworkCachePath(path)) {
        // The decoder reads the file's bytes in place, so the file stays in memory
        // until the texture has been made.
        const auto file = ArtworkCacheFile::readFromFile(path);
        const auto picture = file ? file->picture() : std::nullopt;
        auto image = picture ? decoder.imageWithData(*picture) : nullptr;
        return image ? initWithImage(*image) : nullptr;
    }
    auto image = decoder.imageWithContentsOfFile(path);
    return image ? initWithImage(*image) : nullptr;
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
