// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// An album-artwork cache file of the music library: a picture behind a binary
// header. Big-endian words: the header length H at offset 0, the item's data
// offset D at H + 8; the picture runs from H + D to the end of the file.
class ArtworkCacheFile {
public:
    // True when the path's extension is "ITC" in any mix of cases.
    static bool isArtworkCachePath(const std::string& path);

    // The whole file in memory; nothing when it cannot be read or is too large to hold.
    static std::optional<ArtworkCacheFile> readFromFile(const std::string& path);

    // The picture's bytes inside a cache file's bytes (a view, not a copy); nothing
    // when the header is truncated, points outside the file, or the picture is empty.
    static std::optional<std::span<const std::uint8_t>> pictureIn(std::span<const std::uint8_t> file);

    // The picture's bytes of this file; valid while this object lives.
    std::optional<std::span<const std::uint8_t>> picture() const
    {
        return pictureIn({ reinterpret_cast<const std::uint8_t*>(mBytes.data()), mBytes.size() });
    }

private:
    explicit ArtworkCacheFile(std::string bytes)
        : mBytes(std::move(bytes))
    {
    }
    std::string mBytes;
};
