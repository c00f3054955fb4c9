// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/HeifImage.h"

#include "platform/WholeFile.h"
#include "platform/qt/BitmapConversion.h"

#include <QColorSpace>
#include <QImage>
#include <libheif/heif.h>
#include <vector>

namespace {

// Bytes a decode of the given number of pixels may need at most: the decoder's
// planes (up to 4:4:4 at 8 bits) and the interleaved RGBA result.
constexpr std::int64_t kBytesPerDecodedPixel = 7;
// libheif refuses images wider or taller than this before allocating anything. It is
// also the only bound on a grid picture's canvas, which libheif sizes by the grid's
// own description rather than by the size the file declares for the picture: 16384
// keeps every camera's HEIF and holds a hostile grid to 1 GiB instead of 4.
constexpr int kMaximumEdge = 16384;

std::int64_t pixelCount(int width, int height)
{
    return static_cast<std::int64_t>(width) * static_cast<std::int64_t>(height);
}

bool fitsLimits(const heif_image_handle* handle)
{
    return Image::decodeFits(
        Image::pixelBytes(heif_image_handle_get_width(handle), heif_image_handle_get_height(handle), kBytesPerDecodedPixel));
}

// The picture's own colour profile, when it carries one as ICC data.
QColorSpace colourSpaceOf(const heif_image_handle* handle)
{
    if (heif_image_handle_get_color_profile_type(handle) == heif_color_profile_type_not_present)
        return {};
    const std::size_t size = heif_image_handle_get_raw_color_profile_size(handle);
    if (size == 0)
        return {};
    QByteArray icc(static_cast<qsizetype>(size), Qt::Uninitialized);
    if (heif_image_handle_get_raw_color_profile(handle, icc.data()).code != heif_error_Ok)
        return {};
    return QColorSpace::fromIccProfile(icc);
}

}

bool HeifImage::looksLikeHeif(std::span<const std::uint8_t> head)
{
    if (head.size() < 12)
        return false;
    const heif_filetype_result type = heif_check_filetype(head.data(), static_cast<int>(head.size()));
    return type == heif_filetype_yes_supported || type == heif_filetype_maybe;
}

std::unique_ptr<HeifImage> HeifImage::imageWithContentsOfFile(const std::string& path)
{
    // Read here rather than by libheif, whose open would wait for ever on a pipe.
    auto bytes = readWholeFile(path, WholeFileLimits { static_cast<std::size_t>(Image::kMaximumAllocation) });
    if (!bytes)
        return nullptr;
    auto owned = std::make_unique<std::string>(std::move(*bytes));
    const std::span<const std::uint8_t> view(reinterpret_cast<const std::uint8_t*>(owned->data()), owned->size());
    auto image = imageWithData(view);
    if (image)
        image->mOwned = std::move(owned);
    return image;
}

std::unique_ptr<HeifImage> HeifImage::imageWithData(std::span<const std::uint8_t> bytes)
{
    std::unique_ptr<HeifImage> image(new HeifImage);
    image->mContext = heif_context_alloc();
    if (!image->mContext)
        return nullptr;
    heif_context_set_maximum_image_size_limit(image->mContext, kMaximumEdge);
    if (heif_context_read_from_memory_without_copy(image->mContext, bytes.data(), bytes.size(), nullptr).code != heif_error_Ok
        || !image->openPrimary())
        return nullptr;
    return image;
}

HeifImage::~HeifImage()
{
    if (mThumbnail)
        heif_image_handle_release(mThumbnail);
    if (mPrimary)
        heif_image_handle_release(mPrimary);
    if (mContext)
        heif_context_free(mContext);
}

bool HeifImage::openPrimary()
{
    if (heif_context_get_primary_image_handle(mContext, &mPrimary).code != heif_error_Ok)
        return false;
    if (!fitsLimits(mPrimary))
        return false;
    mWidth = heif_image_handle_get_width(mPrimary);
    mHeight = heif_image_handle_get_height(mPrimary);
    mTargetWidth = mWidth;
    mTargetHeight = mHeight;
    return true;
}

Size HeifImage::size() const
{
    return Size { static_cast<float>(mWidth), static_cast<float>(mHeight) };
}

void HeifImage::setSize(Size size)
{
    const QSize target = pixelSize(size);
    mTargetWidth = target.width();
    mTargetHeight = target.height();
}

const heif_image_handle* HeifImage::bestHandle()
{
    const int count = heif_image_handle_get_number_of_thumbnails(mPrimary);
    if (count <= 0)
        return mPrimary;
    std::vector<heif_item_id> ids(static_cast<std::size_t>(count));
    heif_image_handle_get_list_of_thumbnail_IDs(mPrimary, ids.data(), count);
    // The smallest thumbnail that still covers the target in both axes.
    for (heif_item_id id : ids) {
        heif_image_handle* thumbnail = nullptr;
        if (heif_image_handle_get_thumbnail(mPrimary, id, &thumbnail).code != heif_error_Ok)
            continue;
        const int width = heif_image_handle_get_width(thumbnail);
        const int height = heif_image_handle_get_height(thumbnail);
        const bool covers = width >= mTargetWidth && height >= mTargetHeight && fitsLimits(thumbnail);
        const bool smaller = !mThumbnail
            || pixelCount(width, height) < pixelCount(heif_image_handle_get_width(mThumbnail), heif_image_handle_get_height(mThumbnail));
        if (covers && smaller) {
            if (mThumbnail)
                heif_image_handle_release(mThumbnail);
            mThumbnail = thumbnail;
        } else {
            heif_image_handle_release(thumbnail);
        }
    }
    return mThumbnail ? mThumbnail : mPrimary;
}

std::optional<Image::Bitmap> HeifImage::capture()
{
    const heif_image_handle* handle = bestHandle();
    heif_image* decoded = nullptr;
    heif_decoding_options* options = heif_decoding_options_alloc();
    options->convert_hdr_to_8bit = 1;
    const heif_error error = heif_decode_image(handle, &decoded, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, options);
    heif_decoding_options_free(options);
    if (error.code != heif_error_Ok || !decoded)
        return std::nullopt;

    int stride = 0;
    const std::uint8_t* pixels = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(decoded, heif_channel_interleaved);
    const int height = heif_image_get_height(decoded, heif_channel_interleaved);
    std::optional<Bitmap> bitmap;
    if (pixels && width > 0 && height > 0) {
        // The QImage only borrows the decoded plane; scaling or converting copies it
        // before the plane is released.
        // An opaque picture's alpha bytes are all 255: marked as padding, they spare
        // the scaling a premultiplying pass.
        const bool alpha = heif_image_handle_has_alpha_channel(handle);
        QImage picture(pixels, width, height, stride, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
        picture.setColorSpace(colourSpaceOf(mPrimary));
        const QSize target(mTargetWidth, mTargetHeight);
        if (picture.size() != target)
            picture = picture.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        else
            picture = picture.copy();
        bitmap = bitmapFromQImage(std::move(picture));
    }
    heif_image_release(decoded);
    return bitmap;
}
