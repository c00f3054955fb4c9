// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Image.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

// Turns files and bytes into pictures. The core only declares it: the host hands
// the renderer a real decoder, tests a fake that yields any bitmap they like.
// Implementations must let several threads decode different pictures at once.
class ImageDecoder {
public:
    virtual ~ImageDecoder() = default;

    // The picture in the file, or null when it is missing, not a readable picture,
    // or too large.
    virtual std::unique_ptr<Image> imageWithContentsOfFile(const std::string& path) const = 0;
    // The picture held by bytes, which are not copied and must outlive the Image;
    // null when they are not a readable picture.
    virtual std::unique_ptr<Image> imageWithData(std::span<const std::uint8_t> bytes) const = 0;
};
