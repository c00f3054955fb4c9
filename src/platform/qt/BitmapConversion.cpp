// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/BitmapConversion.h"

#include <QColorSpace>
#include <algorithm>
#include <cmath>
#include <cstring>

Image::Bitmap bitmapFromQImage(QImage picture)
{
    // Colour transforms are reliable on 32-bit formats only; grey and palette
    // pictures go through them first.
    const bool alpha = picture.hasAlphaChannel();
    picture.convertTo(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const QColorSpace srgb(QColorSpace::SRgb);
    if (picture.colorSpace().isValid() && picture.colorSpace() != srgb)
        picture.convertToColorSpace(srgb);
    picture.convertTo(QImage::Format_RGBA8888);

    Image::Bitmap bitmap;
    bitmap.pixelsWide = picture.width();
    bitmap.pixelsHigh = picture.height();
    bitmap.samplesPerPixel = 4;
    bitmap.bytesPerRow = picture.width() * 4;
    bitmap.hasAlpha = true;
    bitmap.data.resize(static_cast<std::size_t>(bitmap.bytesPerRow) * static_cast<std::size_t>(bitmap.pixelsHigh));
    for (int row = 0; row < bitmap.pixelsHigh; ++row)
        std::memcpy(bitmap.data.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(bitmap.bytesPerRow),
            picture.constScanLine(row), static_cast<std::size_t>(bitmap.bytesPerRow));
    return bitmap;
}

QSize pixelSize(Size size)
{
    const auto whole = [](float value) {
        // NaN and tiny sizes become 1; huge ones are bounded by the caller's fitting.
        if (!(value >= 1.0f))
            return 1;
        return static_cast<int>(std::min(std::lround(value), 1L << 30));
    };
    return QSize(whole(size.width), whole(size.height));
}
