// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/PngChunkCheck.h"

#include <QIODevice>
#include <cstdint>

namespace {

constexpr qint64 kSignatureLength = 8;
// Length and type before the data, CRC after it.
constexpr qint64 kChunkOverhead = 12;

std::uint32_t bigEndian(const unsigned char* bytes)
{
    return (std::uint32_t { bytes[0] } << 24) | (std::uint32_t { bytes[1] } << 16) | (std::uint32_t { bytes[2] } << 8) | bytes[3];
}

}

bool pngChunksFitIn(QIODevice& device)
{
    if (device.isSequential())
        return true;
    const qint64 size = device.size();
    qint64 position = kSignatureLength;
    bool fits = true;
    while (position + 8 <= size) {
        unsigned char header[8];
        if (!device.seek(position) || device.read(reinterpret_cast<char*>(header), 8) != 8) {
            fits = false;
            break;
        }
        const qint64 length = bigEndian(header);
        const bool imageData = header[4] == 'I' && header[5] == 'D' && header[6] == 'A' && header[7] == 'T';
        if (position + kChunkOverhead + length > size) {
            // Image data is streamed, so a file cut short in it still shows what it has.
            fits = imageData;
            break;
        }
        position += kChunkOverhead + length;
        if (header[4] == 'I' && header[5] == 'E' && header[6] == 'N' && header[7] == 'D')
            break;
    }
    return device.seek(0) && fits;
}
