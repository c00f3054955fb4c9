// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Image.h"

#include <QImage>

// The picture as an 8-bit RGBA bitmap in sRGB, rows top first: every decoder's
// output (16-bit, grey, palette, CMYK, with or without a colour profile) ends here,
// so the texture code sees one layout. RGBA even for opaque pictures, so the
// texture's padding can be transparent.
Image::Bitmap bitmapFromQImage(QImage picture);

// The size in whole pixels, at least 1 x 1, of a size in (possibly fractional) pixels.
QSize pixelSize(Size size);

// Bytes per pixel a picture decoded whole at bytesPerPixel holds while Qt smooth-scales
// it: the picture and the copy scaling makes (a narrower one is widened to 32 bits; the
// byte more is what was measured besides: a 9999 x 9999 grey PNG held 581 MiB).
constexpr int wholeDecodeBytesPerPixel(int bytesPerPixel)
{
    return bytesPerPixel < 4 ? bytesPerPixel + 5 : 2 * bytesPerPixel;
}
