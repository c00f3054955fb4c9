// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/QtImage.h"

#include "platform/qt/BitmapConversion.h"
#include "platform/qt/PngChunkCheck.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <algorithm>
#include <mutex>

namespace {

// Image-format plugins (TIFF, WebP, ...) are found through the application's
// library paths; the snapshot mode and the tests have no application object, so
// the installation's plugin folder is named explicitly.
void addPluginPath()
{
    static std::once_flag once;
    std::call_once(once, [] { QCoreApplication::addLibraryPath(QLibraryInfo::path(QLibraryInfo::PluginsPath)); });
}

// Bytes per pixel of a picture the reader decodes whole in format, with the copy that
// smooth scaling or the conversion to RGBA makes of it unless it works on the format itself.
int bytesPerPixel(QImage::Format format)
{
    switch (format) {
    case QImage::Format_Invalid: // not known before decoding: 32 bits and a copy
        return 8;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32_Premultiplied:
        return 4;
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64_Premultiplied:
        return 8;
    default:
        return wholeDecodeBytesPerPixel(std::max(1, static_cast<int>(QImage::toPixelFormat(format).bitsPerPixel() / 8)));
    }
}

// Qt's PNG reader scales 8-bit RGB and RGBA pictures that are not interlaced row by
// row; the others it decodes whole, then scales.
bool pngScaledByRow(QIODevice& device)
{
    // Signature, the header chunk's length and type, width, height, then bit depth,
    // colour type, compression, filter and interlace method.
    char header[29] = {};
    return device.peek(header, sizeof header) == sizeof header && header[24] == 8 && (header[25] == 2 || header[25] == 6) && header[28] == 0;
}

// The scale denominator (1, 2, 4 or 8) Qt's JPEG reader asks libjpeg for when a
// picture of stored size is read at scaled size.
std::int64_t jpegDenominator(QSize stored, QSize scaled)
{
    if (scaled == stored || scaled.isEmpty())
        return 1;
    const int ratio = std::min(stored.width() / scaled.width(), stored.height() / scaled.height());
    return ratio < 2 ? 1 : ratio < 4 ? 2
        : ratio < 8                  ? 4
                                     : 8;
}

}

std::unique_ptr<QtImage> QtImage::imageWithDevice(std::unique_ptr<QIODevice> device)
{
    addPluginPath();
    if (!device || !device->isOpen())
        return nullptr;
    std::unique_ptr<QtImage> image(new QtImage);
    image->mDevice = std::move(device);
    if (!image->readHeader())
        return nullptr;
    return image;
}

void QtImage::newReader()
{
    mReader = std::make_unique<QImageReader>(mDevice.get());
    mReader->setAllocationLimit(static_cast<int>(kMaximumAllocation >> 20));
    mReader->setAutoTransform(true);
}

bool QtImage::readHeader()
{
    newReader();
    if (!mReader->canRead())
        return false;
    const QByteArray format = mReader->format();
    if (format == "png") {
        if (!pngChunksFitIn(*mDevice))
            return false;
        mPngScaledByRow = pngScaledByRow(*mDevice);
    } else if (format == "jpeg") {
        mJpeg = readJpegFrame(*mDevice);
    }
    QSize stored = mReader->size();
    if (!stored.isValid()) {
        // This reader cannot tell the size without decoding; the allocation limit
        // still bounds the decode.
        mDecoded = mReader->read();
        mRead = true;
        if (mDecoded.isNull())
            return false;
        mUpright = mDecoded.size();
        mTransposed = false;
    } else {
        mTransposed = mReader->transformation().testFlag(QImageIOHandler::TransformationRotate90);
        mUpright = mTransposed ? stored.transposed() : stored;
        mBytesPerPixel = bytesPerPixel(mReader->imageFormat());
    }
    // Some readers (WBMP, TGA) accept a few zero bytes as a picture of no pixels.
    if (mUpright.isEmpty())
        return false;
    // Refused only when even the smallest decode the reader can do would not fit.
    if (mDecoded.isNull() && !decodeFits(decodeBytes(QSize(1, 1))))
        return false;
    mTarget = mUpright;
    return true;
}

// What reading the picture at target (upright) holds at once: the reader's picture,
// then the converted bitmap of target size and the image it is made from.
std::int64_t QtImage::decodeBytes(QSize target) const
{
    const QSize stored = mTransposed ? mUpright.transposed() : mUpright;
    std::int64_t reader = 0;
    if (mJpeg) {
        const std::int64_t denominator = jpegDenominator(stored, mTransposed ? target.transposed() : target);
        reader = mJpeg->coefficientBytes
            + pixelBytes((stored.width() + denominator - 1) / denominator, (stored.height() + denominator - 1) / denominator, 4);
    } else if (!mPngScaledByRow || target == mUpright) {
        reader = pixelBytes(stored.width(), stored.height(), mBytesPerPixel);
    }
    return reader + pixelBytes(target.width(), target.height(), 8);
}

Size QtImage::size() const
{
    return Size { static_cast<float>(mUpright.width()), static_cast<float>(mUpright.height()) };
}

void QtImage::setSize(Size size)
{
    mTarget = pixelSize(size);
}

QImage QtImage::readScaled()
{
    if (mRead) {
        // A second capture needs a fresh reader from the start of the device.
        if (!mDevice->seek(0))
            return {};
        newReader();
    }
    mRead = true;
    // The reader scales before it turns the picture upright.
    if (mTarget != mUpright)
        mReader->setScaledSize(mTransposed ? mTarget.transposed() : mTarget);
    return mReader->read();
}

std::optional<Image::Bitmap> QtImage::capture()
{
    if (mDecoded.isNull() && !decodeFits(decodeBytes(mTarget)))
        return std::nullopt;
    QImage picture = mDecoded.isNull() ? readScaled() : mDecoded;
    if (picture.isNull())
        return std::nullopt;
    if (picture.size() != mTarget)
        picture = picture.scaled(mTarget, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return bitmapFromQImage(std::move(picture));
}
