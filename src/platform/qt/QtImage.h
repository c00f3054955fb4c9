// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Image.h"
#include "platform/qt/JpegFrame.h"

#include <QIODevice>
#include <QImage>
#include <QImageReader>
#include <memory>

// A picture read by Qt's image readers (and the image-format plugins): the header
// is read at once, the pixels only in capture(), asking the reader for the target
// size so that a JPEG is decoded at 1/2, 1/4 or 1/8 scale instead of whole.
class QtImage : public Image {
public:
    // Takes the device (a file or a buffer over borrowed bytes); null when no Qt
    // reader takes its content or the picture is too large.
    static std::unique_ptr<QtImage> imageWithDevice(std::unique_ptr<QIODevice> device);

    Size size() const override;
    void setSize(Size size) override;
    std::optional<Bitmap> capture() override;

private:
    QtImage() = default;
    bool readHeader();
    void newReader();
    std::int64_t decodeBytes(QSize target) const;
    QImage readScaled();

    std::unique_ptr<QIODevice> mDevice;
    std::unique_ptr<QImageReader> mReader;
    QSize mUpright;
    // The stored picture lies on its side: the reader's sizes are transposed.
    bool mTransposed { false };
    QSize mTarget;
    // The whole picture, when its size could only be learnt by decoding it.
    QImage mDecoded;
    bool mRead { false };
    // Set for a JPEG, which the reader scales while decoding.
    std::optional<JpegFrame> mJpeg;
    // Set for a PNG that the reader scales row by row as it decodes (8-bit RGB or
    // RGBA, not interlaced), which never holds it whole.
    bool mPngScaledByRow { false };
    // What the reader's picture and the copy that scaling or conversion makes of it
    // hold per pixel, for pictures decoded whole.
    int mBytesPerPixel { 8 };
};
