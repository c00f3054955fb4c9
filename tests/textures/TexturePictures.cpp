// SPDX-License-Identifier: GPL-3.0-or-later
#include "TexturePictures.h"

#include "TestSupport.h"
#include "platform/ScreenSaverDefaults.h"
#include "saver/SettingsKeys.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <cstdlib>

QImage quadrantPicture(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    QPainter painter(&picture);
    const int halfWidth = width / 2;
    const int halfHeight = height / 2;
    const auto colour = [](Rgb c) { return QColor(c.r, c.g, c.b); };
    painter.fillRect(0, 0, halfWidth, halfHeight, colour(kTopLeft));
    painter.fillRect(halfWidth, 0, width - halfWidth, halfHeight, colour(kTopRight));
    painter.fillRect(0, halfHeight, halfWidth, height - halfHeight, colour(kBottomLeft));
    painter.fillRect(halfWidth, halfHeight, width - halfWidth, height - halfHeight, colour(kBottomRight));
    return picture;
}

std::string encode(const QImage& picture, const char* format, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    if (!writer.write(picture))
        return {};
    return bytes.toStdString();
}

namespace {

// Where the stored pixel (column c, row r) appears in the upright picture, for each
// EXIF orientation: which edge the stored first row and first column lie along.
QPoint uprightPosition(int orientation, int c, int r, int width, int height)
{
    switch (orientation) {
    case 2: return { width - 1 - c, r };
    case 3: return { width - 1 - c, height - 1 - r };
    case 4: return { c, height - 1 - r };
    case 5: return { r, c };
    case 6: return { width - 1 - r, c };
    case 7: return { width - 1 - r, height - 1 - c };
    case 8: return { r, height - 1 - c };
    default: return { c, r };
    }
}

std::string exifSegment(int orientation)
{
    // APP1 "Exif", a big-endian TIFF header and one IFD with the orientation tag.
    const unsigned char segment[] = { 0xFF, 0xE1, 0x00, 0x22, 'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0x00, 0x2A, 0, 0, 0, 8, 0, 1,
        0x01, 0x12, 0x00, 0x03, 0, 0, 0, 1, 0x00, static_cast<unsigned char>(orientation), 0, 0, 0, 0, 0, 0 };
    return std::string(reinterpret_cast<const char*>(segment), sizeof segment);
}

}

std::string orientedJpeg(const QImage& upright, int orientation)
{
    const bool transposed = orientation >= 5;
    const int storedWidth = transposed ? upright.height() : upright.width();
    const int storedHeight = transposed ? upright.width() : upright.height();
    QImage stored(storedWidth, storedHeight, QImage::Format_RGB32);
    for (int r = 0; r < storedHeight; ++r)
        for (int c = 0; c < storedWidth; ++c)
            stored.setPixel(c, r, upright.pixel(uprightPosition(orientation, c, r, upright.width(), upright.height())));
    std::string jpeg = encode(stored, "jpeg", 95);
    return jpeg.substr(0, 2) + exifSegment(orientation) + jpeg.substr(2);
}

bool near(Rgb expected, int r, int g, int b, int tolerance)
{
    return std::abs(expected.r - r) <= tolerance && std::abs(expected.g - g) <= tolerance && std::abs(expected.b - b) <= tolerance;
}

std::optional<Image::Bitmap> SyntheticImage::capture()
{
    Bitmap bitmap;
    bitmap.pixelsWide = static_cast<int>(mSize.width);
    bitmap.pixelsHigh = static_cast<int>(mSize.height);
    bitmap.samplesPerPixel = mSamples;
    bitmap.hasAlpha = mSamples == 4;
    bitmap.bytesPerRow = bitmap.pixelsWide * mSamples;
    bitmap.data.resize(static_cast<std::size_t>(bitmap.bytesPerRow) * static_cast<std::size_t>(bitmap.pixelsHigh));
    for (int y = 0; y < bitmap.pixelsHigh; ++y)
        for (int x = 0; x < bitmap.pixelsWide; ++x)
            for (int s = 0; s < mSamples; ++s)
                bitmap.data[static_cast<std::size_t>(y * bitmap.bytesPerRow + x * mSamples + s)] = sample(x, y, s);
    return bitmap;
}

TexelImage readBoundTexture()
{
    TexelImage texels;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &texels.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &texels.height);
    texels.rgba.resize(static_cast<std::size_t>(texels.width) * static_cast<std::size_t>(texels.height) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    if (!texels.rgba.empty())
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.rgba.data());
    return texels;
}

struct DetailSetting::Preferences {
    ScopedPreferences scope;
};

DetailSetting::DetailSetting(std::int32_t detail)
    : mPreferences(std::make_unique<Preferences>())
{
    ScreenSaverDefaults::defaultsForModuleWithName(kModuleName).setInteger(detail, SettingsKey::Detail);
}

DetailSetting::~DetailSetting() = default;
