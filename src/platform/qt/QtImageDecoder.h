// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ImageDecoder.h"

// The decoder the program uses: Qt's image readers, then libheif for what they refuse.
class QtImageDecoder : public ImageDecoder {
public:
    QtImageDecoder();
    std::unique_ptr<Image> imageWithContentsOfFile(const std::string& path) const override;
    std::unique_ptr<Image> imageWithData(std::span<const std::uint8_t> bytes) const override;
};
