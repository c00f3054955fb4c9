// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/WebpImage.h"

#include "platform/WholeFile.h"
#include "platform/qt/BitmapConversion.h"

#include <QColorSpace>
#include <QImage>
#include <cstring>
#include <webp/decode.h>
#include <webp/demux.h>

namespace {

// The ICC profile the file carries, as Qt's WebP reader applies it.
QColorSpace colourSpaceOf(std::span<const std::uint8_t> bytes)
{
    const WebPData data { bytes.data(), bytes.size() };
    WebPDemuxer* demux = WebPDemux(&data);
    if (!demux)
        return {};
    QColorSpace space;
    WebPChunkIterator chunk {};
    if ((WebPDemuxGetI(demux, WEBP_FF_FORMAT_FLAGS) & ICCP_FLAG) && WebPDemuxGetChunk(demux, "ICCP", 1, &chunk)) {
        space = QColorSpace::fromIccProfile(QByteArray(reinterpret_cast<const char*>(chunk.chunk.bytes), static_cast<qsizetype>(chunk.chunk.size)));
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    WebPDemuxDelete(demux);
    return space;
}

}

bool WebpImage::looksLikeWebp(std::span<const std::uint8_t> head)
{
    return head.size() >= 12 && std::memcmp(head.data(), "RIFF", 4) == 0 && std::memcmp(head.data() + 8, "WEBP", 4) == 0;
}

std::unique_ptr<WebpImage> WebpImage::imageWithContentsOfFile(const std::string& path)
{
    auto bytes = readWholeFile(path, WholeFileLimits { static_cast<std::size_t>(Image::kMaximumAllocation) });
    if (!bytes)
        return nullptr;
    std::unique_ptr<WebpImage> image(new WebpImage);
    image->mOwned = std::move(*bytes);
    image->mBytes = std::span(reinterpret_cast<const std::uint8_t*>(image->mOwned.data()), image->mOwned.size());
    return image->readHeader() ? std::move(image) : nullptr;
}

std::unique_ptr<WebpImage> WebpImage::imageWithData(std::span<const std::uint8_t> bytes)
{
    std::unique_ptr<WebpImage> image(new WebpImage);
    image->mBytes = bytes;
    return image->readHeader() ? std::move(image) : nullptr;
}

bool WebpImage::readHeader()
{
    WebPBitstreamFeatures features {};
    if (!looksLikeWebp(mBytes) || WebPGetFeatures(mBytes.data(), mBytes.size(), &features) != VP8_STATUS_OK)
        return false;
    if (features.has_animation || features.width <= 0 || features.height <= 0)
        return false;
    mWidth = mTargetWidth = features.width;
    mHeight = mTargetHeight = features.height;
    mAlpha = features.has_alpha != 0;
    mLossless = features.format != 1;
    // Refused when even a decode to one pixel would not fit.
    return decodeFits(decodeBytes(1, 1));
}

// libwebp scales lossy rows as they come, but holds a lossless picture whole (4 bytes
// a pixel) and a lossy one's alpha plane (1 byte); then the picture at the size asked
// for and its converted bitmap.
std::int64_t WebpImage::decodeBytes(int targetWidth, int targetHeight) const
{
    return pixelBytes(mWidth, mHeight, mLossless ? 4 : mAlpha ? 1
                                                              : 0)
        + pixelBytes(targetWidth, targetHeight, 8);
}

Size WebpImage::size() const
{
    return Size { static_cast<float>(mWidth), static_cast<float>(mHeight) };
}

void WebpImage::setSize(Size size)
{
    const QSize target = pixelSize(size);
    mTargetWidth = target.width();
    mTargetHeight = target.height();
}

std::optional<Image::Bitmap> WebpImage::capture()
{
    if (!decodeFits(decodeBytes(mTargetWidth, mTargetHeight)))
        return std::nullopt;
    // Premultiplied while scaling, so transparent pixels lend no colour to their neighbours.
    QImage picture(mTargetWidth, mTargetHeight, mAlpha ? QImage::Format_RGBA8888_Premultiplied : QImage::Format_RGBX8888);
    if (picture.isNull())
        return std::nullopt;
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return std::nullopt;
    if (mTargetWidth != mWidth || mTargetHeight != mHeight) {
        config.options.use_scaling = 1;
        config.options.scaled_width = mTargetWidth;
        config.options.scaled_height = mTargetHeight;
        // Chroma upsampled by pixel doubling rather than filtering: shrunk to half or
        // less, the difference cannot be seen, and filtering is a large part of the work.
        config.options.no_fancy_upsampling = mTargetWidth * 2 <= mWidth && mTargetHeight * 2 <= mHeight;
    }
    config.options.use_threads = 1;
    config.output.colorspace = mAlpha ? MODE_rgbA : MODE_RGBA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = picture.bits();
    config.output.u.RGBA.stride = static_cast<int>(picture.bytesPerLine());
    config.output.u.RGBA.size = static_cast<std::size_t>(picture.sizeInBytes());
    const VP8StatusCode status = WebPDecode(mBytes.data(), mBytes.size(), &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK)
        return std::nullopt;
    picture.setColorSpace(colourSpaceOf(mBytes));
    return bitmapFromQImage(std::move(picture));
}
