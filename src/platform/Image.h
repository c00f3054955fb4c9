// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Geometry.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// A decoded-on-demand picture: its upright size is known at once, its pixels are
// produced at the size asked for, so a large photograph is never decoded whole when
// only a small texture is wanted. Made by an ImageDecoder.
class Image {
public:
    // 8 bits per sample, 3 (RGB) or 4 (RGBA) samples per pixel, rows top first,
    // sRGB, with no padding at the end of a row.
    struct Bitmap {
        int pixelsWide { 0 };
        int pixelsHigh { 0 };
        int samplesPerPixel { 0 };
        int bytesPerRow { 0 };
        bool hasAlpha { false };
        bool isPlanar { false };
        std::vector<std::uint8_t> data;
    };

    // Pictures whose header claims more pixels than this are refused as unreadable,
    // so that a decompression bomb cannot take the saver down.
    static constexpr std::int64_t kMaximumPixels = 100'000'000;
    // No single decode may allocate more than this many bytes.
    static constexpr std::int64_t kMaximumAllocation = std::int64_t { 512 } << 20;

    virtual ~Image() = default;

    // The upright size in pixels (after the picture's own orientation is applied).
    virtual Size size() const = 0;
    // The size in pixels the picture is drawn at from now on, scaled rather than cropped.
    virtual void setSize(Size size) = 0;
    // The picture drawn upright at its current size; nothing when decoding fails.
    virtual std::optional<Bitmap> capture() = 0;
};
