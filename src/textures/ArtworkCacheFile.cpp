// SPDX-License-Identifier: GPL-3.0-or-later
#include "textures/ArtworkCacheFile.h"

#include "platform/BigEndian.h"
#include "platform/Image.h"
#include "platform/WholeFile.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

bool ArtworkCacheFile::isArtworkCachePath(const std::string& path)
{
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return extension == ".ITC";
}

std::optional<ArtworkCacheFile> ArtworkCacheFile::readFromFile(const std::string& path)
{
    // The picture in it is decoded from memory, so the file may be no larger than one
    // decode may allocate.
    auto bytes = readWholeFile(path, { .maxBytes = static_cast<std::size_t>(Image::kMaximumAllocation) });
    if (!bytes)
        return std::nullopt;
    return ArtworkCacheFile(std::move(*bytes));
}

std::optional<std::span<const std::uint8_t>> ArtworkCacheFile::pictureIn(std::span<const std::uint8_t> file)
{
    // Offsets are 64-bit, so H and D near 2^32 cannot wrap past the checks.
    const std::uint64_t length = file.size();
    if (length < 4)
        return std::nullopt;
    const std::uint64_t headerLength = readBigEndian(file.data(), 4);
    if (headerLength + 12 > length)
        return std::nullopt;
    const std::uint64_t dataOffset = readBigEndian(file.data() + headerLength + 8, 4);
    const std::uint64_t start = headerLength + dataOffset;
    if (start >= length)
        return std::nullopt;
    return file.subspan(static_cast<std::size_t>(start));
}
