// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Geometry.h"

#include <chrono>
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

    // What one decode may hold at once, in bytes. The bound is on the work a decode
    // does, not on the size its header claims: a 200-megapixel JPEG read at an eighth
    // of its size costs little and loads, a small file that would inflate to more than
    // this is refused before any pixel is decoded.
    static constexpr std::int64_t kMaximumAllocation = std::int64_t { 512 } << 20;
    // A decode still running after this long is given up, and its picture counts as
    // unreadable: a picture no allocation bound catches must not hold the frames.
    static constexpr std::chrono::seconds kMaximumDecodeTime { 5 };

    // The bytes of width x height pixels of bytesPerPixel each; any count above
    // kMaximumAllocation comes back as kMaximumAllocation + 1, never overflowing.
    static constexpr std::int64_t pixelBytes(std::int64_t width, std::int64_t height, std::int64_t bytesPerPixel)
    {
        if (width <= 0 || height <= 0 || bytesPerPixel <= 0)
            return 0;
        if (width > kMaximumAllocation / height / bytesPerPixel)
            return kMaximumAllocation + 1;
        return width * height * bytesPerPixel;
    }
    // True when a decode that holds bytes at once (pixelBytes and whatever else the
    // decoder allocates) may go ahead; every decoder asks before it decodes.
    static constexpr bool decodeFits(std::int64_t bytes) { return bytes > 0 && bytes <= kMaximumAllocation; }

    virtual ~Image() = default;

    // The upright size in pixels (after the picture's own orientation is applied).
    virtual Size size() const = 0;
    // The size in pixels the picture is drawn at from now on, scaled rather than cropped.
    virtual void setSize(Size size) = 0;
    // The picture drawn upright at its current size; nothing when decoding fails.
    virtual std::optional<Bitmap> capture() = 0;
};
