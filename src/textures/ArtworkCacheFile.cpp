// SPDX-License-Identifier: GPL-3.0-or-later
#include "textures/ArtworkCacheFile.h"

#include "platform/Image.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

namespace {

std::uint64_t bigEndianWord(std::span<const std::uint8_t> bytes, std::uint64_t offset)
{
    return (std::uint64_t { bytes[offset] } << 24) | (std::uint64_t { bytes[offset + 1] } << 16)
        | (std::uint64_t { bytes[offset + 2] } << 8) | std::uint64_t { bytes[offset + 3] };
}

}

bool ArtworkCacheFile::isArtworkCachePath(const std::string& path)
{
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return extension == ".ITC";
}

std::optional<ArtworkCacheFile> ArtworkCacheFile::readFromFile(const std::string& path)
{
    std::error_code error;
    const auto length = std::filesystem::file_size(path, error);
    // The picture in it is decoded from memory, so the file may be no larger than one
    // decode may allocate.
    if (error || length > static_cast<std::uintmax_t>(Image::kMaximumAllocation))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    // The file may have shrunk since it was measured; keep only what was read.
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return ArtworkCacheFile(std::move(bytes));
}

std::optional<std::span<const std::uint8_t>> ArtworkCacheFile::pictureIn(std::span<const std::uint8_t> file)
{
    // Offsets are 64-bit, so H and D near 2^32 cannot wrap past the checks.
    const std::uint64_t length = file.size();
    if (length < 4)
        return std::nullopt;
    const std::uint64_t headerLength = bigEndianWord(file, 0);
    if (headerLength + 12 > length)
        return std::nullopt;
    const std::uint64_t dataOffset = bigEndianWord(file, headerLength + 8);
    const std::uint64_t start = headerLength + dataOffset;
    if (start >= length)
        return std::nullopt;
    return file.subspan(static_cast<std::size_t>(start));
}
