// SPDX-License-Identifier: GPL-3.0-or-later
#include "TexturePictures.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <cstdlib>

QImage quadrantPicture(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    QPainter painter(&picture);
    const int w = width / 2, h = height / 2;
    const auto fill = [&painter](int x, int y, int fw, int fh, Rgb c) { painter.fillRect(x, y, fw, fh, QColor(c.r, c.g, c.b)); };
    fill(0, 0, w, h, kTopLeft);
    fill(w, 0, width - w, h, kTopRight);
    fill(0, h, w, height - h, kBottomLeft);
    fill(w, h, width - w, height - h, kBottomRight);
    return picture;
}

std::string encode(const QImage& picture, const char* format, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    return writer.write(picture) ? bytes.toStdString() : std::string();
}

bool near(Rgb expected, const std::uint8_t* rgb, int tolerance)
{
    return std::abs(expected.r - rgb[0]) <= tolerance && std::abs(expected.g - rgb[1]) <= tolerance && std::abs(expected.b - rgb[2]) <= tolerance;
}

DetailSetting::DetailSetting(std::int32_t detail)
{
    moduleSettings().setInteger(detail, SettingsKey::Detail);
}

TexelImage readBoundTexture()
{
    TexelImage texels;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &texels.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &texels.height);
    texels.rgba.resize(static_cast<std::size_t>(texels.width) * static_cast<std::size_t>(texels.height) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.rgba.data());
    return texels;
}
