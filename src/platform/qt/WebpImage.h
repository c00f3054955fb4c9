// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Image.h"

#include <memory>
#include <span>
#include <string>

// A still WebP picture decoded by libwebp, which scales while it decodes, so a large
// WebP costs about what its fitted size costs. Its ICC profile is applied as Qt's
// reader does; animated files are left to Qt, which shows their first frame.
class WebpImage : public Image {
public:
    // True when the first bytes of a file look like a WebP container.
    static bool looksLikeWebp(std::span<const std::uint8_t> head);
    // The picture in the file; null when it is not a still WebP picture within the limits.
    static std::unique_ptr<WebpImage> imageWithContentsOfFile(const std::string& path);
    // The picture in bytes that are not copied and must outlive the image.
    static std::unique_ptr<WebpImage> imageWithData(std::span<const std::uint8_t> bytes);

    Size size() const override;
    void setSize(Size size) override;
    std::optional<Bitmap> capture() override;

private:
    WebpImage() = default;
    bool readHeader();
    std::int64_t decodeBytes(int targetWidth, int targetHeight) const;

    std::string mOwned;
    std::span<const std::uint8_t> mBytes;
    int mWidth { 0 };
    int mHeight { 0 };
    bool mAlpha { false };
    bool mLossless { false };
    int mTargetWidth { 0 };
    int mTargetHeight { 0 };
};
