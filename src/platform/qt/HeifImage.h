// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Image.h"

#include <memory>
#include <span>
#include <string>

struct heif_context;
struct heif_image_handle;

// A HEIC or AVIF picture read with libheif, for the files Qt has no reader for.
// The primary image is decoded upright (with the file's rotation, mirroring and
// crop); when the file carries a thumbnail at least as large as the size asked
// for, the thumbnail is decoded instead.
class HeifImage : public Image {
public:
    // True when the first bytes of a file look like a HEIF container.
    static bool looksLikeHeif(std::span<const std::uint8_t> head);
    // The picture in the file; null when it is not a decodable HEIF picture.
    static std::unique_ptr<HeifImage> imageWithContentsOfFile(const std::string& path);
    // The picture in bytes that are not copied and must outlive the image.
    static std::unique_ptr<HeifImage> imageWithData(std::span<const std::uint8_t> bytes);
    ~HeifImage() override;

    Size size() const override;
    void setSize(Size size) override;
    std::optional<Bitmap> capture() override;

private:
    HeifImage() = default;
    bool openPrimary();
    const heif_image_handle* bestHandle();

    // The file's bytes, which the context reads in place; freed after it.
    std::unique_ptr<const std::string> mOwned;
    heif_context* mContext { nullptr };
    heif_image_handle* mPrimary { nullptr };
    heif_image_handle* mThumbnail { nullptr };
    int mWidth { 0 };
    int mHeight { 0 };
    int mTargetWidth { 0 };
    int mTargetHeight { 0 };
};
