// SPDX-License-Identifier: GPL-3.0-or-later
// The album-artwork cache reader must never look outside the file, whatever its header says.
#include "textures/ArtworkCacheFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> file(data, size);
    const auto picture = ArtworkCacheFile::pictureIn(file);
    if (picture) {
        // The picture is a non-empty tail of the file.
        if (picture->empty() || picture->data() < data || picture->data() + picture->size() != data + size)
            std::abort();
        volatile std::uint8_t first = picture->front();
        volatile std::uint8_t last = picture->back();
        (void)first;
        (void)last;
    }
    return 0;
}
