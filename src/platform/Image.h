// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Geometry.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

// A decoded-on-demand picture: its upright size is known at once, its pixels are
// produced at the size asked for. Implemented by the Qt platform library.
class Image {
public:
    // 8 bits per sample, 3 (RGB) or 4 (RGBA) samples per pixel, rows top first.
    struct Bitmap {
        int pixelsWide { 0 };
        int pixelsHigh { 0 };
        int samplesPerPixel { 0 };
        int bytesPerRow { 0 };
        bool hasAlpha { false };
        bool isPlanar { false };
        std::vector<std::uint8_t> data;
    };

    virtual ~Image() = default;

    // The picture in the file, or null when it is not a readable picture.
    static std::unique_ptr<Image> imageWithContentsOfFile(const std::string& path);
    // The picture held by bytes, which must outlive the Image; null when not a picture.
    static std::unique_ptr<Image> imageWithData(std::span<const std::uint8_t> bytes);

    // The upright size in pixels (after the picture's own orientation is applied).
    virtual Size size() const = 0;
    // The size the picture is drawn at from now on, scaled rather than cropped.
    virtual void setSize(Size size) = 0;
    // The picture drawn at its current size; nothing when decoding fails.
    virtual std::optional<Bitmap> capture() = 0;
};
