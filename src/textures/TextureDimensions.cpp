// SPDX-License-Identifier: GPL-3.0-or-later
#include "textures/TextureDimensions.h"

#include "platform/Image.h"
#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Every OpenGL 1.1 implementation takes at least 64 x 64 textures.
constexpr GLint kMinimumTextureSize = 64;

struct TextureBitmap {
    int width { 0 };
    int height { 0 };
    int samplesPerPixel { 0 };
    bool uploadable { false };
    std::vector<std::uint8_t> data;
};

// The captured rows upside down in the lower-left corner of a power-of-two bitmap,
// so that the picture's bottom row lands at t = 0. The padding is zero: transparent
// black, so filtering at the picture's edge blends into nothing visible.
TextureBitmap flippedTextureBitmap(const Image::Bitmap& captured)
{
    TextureBitmap texture;
    texture.width = textureEdge(captured.pixelsWide);
    texture.height = textureEdge(captured.pixelsHigh);
    texture.samplesPerPixel = captured.samplesPerPixel;
    texture.uploadable = !captured.isPlanar && (captured.samplesPerPixel == 3 || captured.samplesPerPixel == 4);
    if (!texture.uploadable)
        return texture;
    const std::size_t rowLength = static_cast<std::size_t>(texture.samplesPerPixel) * static_cast<std::size_t>(texture.width);
    const std::size_t rowCopy = std::min(static_cast<std::size_t>(std::max(captured.bytesPerRow, 0)), rowLength);
    const std::size_t rows = static_cast<std::size_t>(captured.pixelsHigh);
    // A capture shorter than its own layout claims is not read past its end.
    if (captured.data.size() < static_cast<std::size_t>(captured.bytesPerRow) * (rows - 1) + rowCopy) {
        texture.uploadable = false;
        return texture;
    }
    texture.data.assign(rowLength * static_cast<std::size_t>(texture.height), 0);
    for (std::size_t i = 0; i < rows; ++i)
        std::memcpy(texture.data.data() + (rows - 1 - i) * rowLength,
            captured.data.data() + i * static_cast<std::size_t>(captured.bytesPerRow), rowCopy);
    return texture;
}

GLuint upload(const TextureBitmap& texture)
{
    GLuint name = 0;
    glPixelStorei(GL_UNPACK_ROW_LENGTH, texture.width);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    if (texture.uploadable) {
        const bool rgba = texture.samplesPerPixel == 4;
        glTexImage2D(GL_TEXTURE_2D, 0, rgba ? GL_RGBA8 : GL_RGB8, texture.width, texture.height, 0, rgba ? GL_RGBA : GL_RGB,
            GL_UNSIGNED_BYTE, texture.data.data());
    }
    return name;
}

GLint maxTextureSize()
{
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    return size;
}

}

int maximumEdgeExponent(std::int64_t detail, GLint maxTextureSize)
{
    int largest = 0;
    while (largest < kLargestEdgeExponent && (GLint { 1 } << (largest + 1)) <= std::max(maxTextureSize, kMinimumTextureSize))
        ++largest;
    return static_cast<int>(std::clamp<std::int64_t>(detail + 5, 0, largest));
}

Size fittedSize(Size picture, float maximumEdge)
{
    if (picture.width <= maximumEdge && picture.height <= maximumEdge)
        return picture;
    // A thin panorama's short edge could round to 0, leaving no pixel to draw and a
    // span of 0; it keeps one pixel.
    if (picture.height > picture.width) {
        const float scale = maximumEdge / picture.height;
        return Size { std::max(std::rintf(picture.width * scale), 1.0f), maximumEdge };
    }
    const float scale = maximumEdge / picture.width;
    return Size { maximumEdge, std::max(std::rintf(picture.height * scale), 1.0f) };
}

int textureEdge(int pixels)
{
    int edge = 1;
    while (edge < pixels && edge < (1 << 30))
        edge *= 2;
    return edge;
}

float currentMaximumEdge()
{
    const std::int32_t detail = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName).integerForKey(SettingsKey::Detail);
    return static_cast<float>(1 << maximumEdgeExponent(detail, maxTextureSize()));
}

std::optional<FittedPicture> fitPicture(Image& image, float maximumEdge)
{
    const Size picture = image.size();
    const Size fitted = fittedSize(picture, maximumEdge);
    if (fitted != picture)
        image.setSize(fitted);

    auto captured = image.capture();
    if (!captured || captured->pixelsWide <= 0 || captured->pixelsHigh <= 0)
        return std::nullopt;
    return FittedPicture { fitted, std::move(*captured) };
}

GLuint generateTextureDimensions(const FittedPicture& picture, Size* dimensions, Size* span)
{
    const TextureBitmap texture = flippedTextureBitmap(picture.bitmap);
    const GLuint name = upload(texture);
    const Size fitted = picture.fitted;
    if (dimensions)
        *dimensions = fitted;
    if (span)
        *span = Size { fitted.width / static_cast<float>(texture.width), fitted.height / static_cast<float>(texture.height) };
    return name;
}

GLuint generateTextureDimensions(Image& image, Size* dimensions, Size* span)
{
    const auto picture = fitPicture(image, currentMaximumEdge());
    return picture ? generateTextureDimensions(*picture, dimensions, span) : 0;
}
