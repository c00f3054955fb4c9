// SPDX-License-Identifier: GPL-3.0-or-later
#include "textures/LVTexture.h"

std::unique_ptr<LVTexture> LVTexture::textureWithImageAtPath(const std::string& path)
{
    return initWithImageAtPath(path);
}

std::unique_ptr<LVTexture> LVTexture::initWithImageAtPath(const std::string&)
{
    // Pictures cannot be decoded yet: every path counts as unreadable.
    return nullptr;
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
