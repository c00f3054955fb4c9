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
