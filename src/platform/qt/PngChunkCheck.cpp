// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/PngChunkCheck.h"

#include "platform/BigEndian.h"

#include <QIODevice>
#include <cstdint>

namespace {

constexpr qint64 kSignatureLength = 8;
// Length and type before the data, CRC after it.
constexpr qint64 kChunkOverhead = 12;

}

bool pngChunksFitIn(QIODevice& device)
{
    if (device.isSequential())
        return true;
    const qint64 size = device.size();
    qint64 position = kSignatureLength;
    bool ended = false;
    while (!ended && position + 8 <= size) {
        unsigned char header[8];
        if (!device.seek(position) || device.read(reinterpret_cast<char*>(header), 8) != 8)
            break;
        const auto length = static_cast<qint64>(readBigEndian(header, 4));
        if (position + kChunkOverhead + length > size)
            break;
        position += kChunkOverhead + length;
        ended = header[4] == 'I' && header[5] == 'E' && header[6] == 'N' && header[7] == 'D';
    }
    return device.seek(0) && ended;
}
