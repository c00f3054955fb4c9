// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

// value as that many big-endian bytes.
inline std::string bigEndianWord(std::uint32_t value, int bytes)
{
    std::string out;
    for (int i = bytes - 1; i >= 0; --i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

inline std::string pngChunk(const std::string& type, const std::string& data)
{
    const std::string body = type + data;
    return bigEndianWord(static_cast<std::uint32_t>(data.size()), 4) + body
        + bigEndianWord(static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))), 4);
}

// A valid PNG of all-zero samples, deflated row by row so that making it never holds
// the picture: a few hundred kilobytes that would take width x height pixels to decode.
inline std::string flatPng(std::uint32_t width, std::uint32_t height, int bitDepth, int colourType, int samples)
{
    z_stream stream {};
    deflateInit(&stream, 9);
    const std::string row(1 + (static_cast<std::size_t>(width) * samples * bitDepth + 7) / 8, '\0');
    std::string compressed;
    std::vector<unsigned char> out(1 << 16);
    for (std::uint32_t y = 0; y <= height; ++y) {
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(row.data()));
        stream.avail_in = y < height ? static_cast<uInt>(row.size()) : 0;
        do {
            stream.next_out = out.data();
            stream.avail_out = static_cast<uInt>(out.size());
            deflate(&stream, y < height ? Z_NO_FLUSH : Z_FINISH);
            compressed.append(reinterpret_cast<char*>(out.data()), out.size() - stream.avail_out);
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    const std::string header = bigEndianWord(width, 4) + bigEndianWord(height, 4) + static_cast<char>(bitDepth) + static_cast<char>(colourType)
        + std::string(3, '\0');
    return "\x89PNG\r\n\x1A\n" + pngChunk("IHDR", header) + pngChunk("IDAT", compressed) + pngChunk("IEND", "");
}

}
