// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding arbitrary bytes, as an album-artwork file or a damaged photograph hands
// them over, must give a picture or nothing, never a crash or a runaway allocation.
#include "platform/qt/QtImageDecoder.h"

#include <algorithm>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto image = QtImageDecoder().imageWithData(std::span<const std::uint8_t>(data, size));
    if (!image)
        return 0;
    const Size full = image->size();
    if (!(full.width >= 1 && full.height >= 1))
        std::abort();
    // Draw it small, as a texture would be: the scaled decode is the path that runs.
    const float scale = 64.0f / std::max(full.width, full.height);
    image->setSize(scale < 1.0f ? Size { std::max(1.0f, full.width * scale), std::max(1.0f, full.height * scale) } : full);
    if (const auto bitmap = image->capture()) {
        const std::size_t needed = static_cast<std::size_t>(bitmap->bytesPerRow) * static_cast<std::size_t>(bitmap->pixelsHigh);
        if (bitmap->samplesPerPixel != 4 || bitmap->data.size() < needed)
            std::abort();
    }
    return 0;
}
