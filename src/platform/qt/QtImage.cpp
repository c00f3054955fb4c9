// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/QtImage.h"

#include "platform/qt/BitmapConversion.h"
#include "platform/qt/PngChunkCheck.h"

#include <QCoreApplication>
#include <QLibraryInfo>
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

std::int64_t pixelCount(QSize size)
{
    return static_cast<std::int64_t>(size.width()) * static_cast<std::int64_t>(size.height());
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

bool QtImage::readHeader()
{
    mReader = std::make_unique<QImageReader>(mDevice.get());
    mReader->setAllocationLimit(static_cast<int>(kMaximumAllocation >> 20));
    mReader->setAutoTransform(true);
    if (!mReader->canRead())
        return false;
    if (mReader->format() == "png" && !pngChunksFitIn(*mDevice))
        return false;
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
    }
    // Some readers (WBMP, TGA) accept a few zero bytes as a picture of no pixels.
    if (mUpright.isEmpty() || pixelCount(mUpright) > kMaximumPixels)
        return false;
    mTarget = mUpright;
    return true;
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
        mReader = std::make_unique<QImageReader>(mDevice.get());
        mReader->setAllocationLimit(static_cast<int>(kMaximumAllocation >> 20));
        mReader->setAutoTransform(true);
    }
    mRead = true;
    // The reader scales before it turns the picture upright.
    if (mTarget != mUpright)
        mReader->setScaledSize(mTransposed ? mTarget.transposed() : mTarget);
    return mReader->read();
}

std::optional<Image::Bitmap> QtImage::capture()
{
    QImage picture = mDecoded.isNull() ? readScaled() : mDecoded;
    if (picture.isNull())
        return std::nullopt;
    if (picture.size() != mTarget)
        picture = picture.scaled(mTarget, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return bitmapFromQImage(std::move(picture));
}
