// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Image.h"

std::unique_ptr<Image> Image::imageWithContentsOfFile(const std::string&)
{
    return nullptr;
}

std::unique_ptr<Image> Image::imageWithData(std::span<const std::uint8_t>)
{
    return nullptr;
}
