// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/JpegFrame.h"

#include "platform/BigEndian.h"

#include <QIODevice>
#include <algorithm>
#include <array>

namespace {

// 64 coefficients of 2 bytes for each 8 x 8 block of each component.
constexpr std::int64_t kBlockBytes = 128;
constexpr unsigned char kStartOfScan = 0xDA;
// Markers looked at before the first scan at most: real files have a few dozen, and a
// file of nothing but fill bytes must not cost a read for each.
constexpr int kMostMarkers = 4096;

bool readAt(QIODevice& device, qint64 at, unsigned char* into, qint64 count)
{
    return device.seek(at) && device.read(reinterpret_cast<char*>(into), count) == count;
}

// SOF0 to SOF15 but for the Huffman, arithmetic-coding and extension markers in that range.
bool startsFrame(unsigned char marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool isProgressive(unsigned char marker)
{
    return marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
}

std::int64_t blocks(std::int64_t pixels, int factor, int largest)
{
    const std::int64_t samples = (pixels * factor + largest - 1) / largest;
    return (samples + 7) / 8;
}

// The frame header's payload: precision, height, width, then per component its id,
// sampling factors and quantisation table.
std::optional<JpegFrame> parseFrame(const unsigned char* payload, qint64 length, int* components)
{
    if (length < 6)
        return std::nullopt;
    JpegFrame frame;
    frame.height = static_cast<std::int64_t>(readBigEndian(payload + 1, 2));
    frame.width = static_cast<std::int64_t>(readBigEndian(payload + 3, 2));
    *components = payload[5];
    if (frame.width == 0 || frame.height == 0 || *components == 0 || length < 6 + 3 * *components)
        return std::nullopt;
    int largestH = 1, largestV = 1;
    for (int i = 0; i < *components; ++i) {
        largestH = std::max(largestH, payload[7 + 3 * i] >> 4);
        largestV = std::max(largestV, payload[7 + 3 * i] & 15);
    }
    for (int i = 0; i < *components; ++i)
        frame.coefficientBytes += blocks(frame.width, payload[7 + 3 * i] >> 4, largestH) * blocks(frame.height, payload[7 + 3 * i] & 15, largestV)
            * kBlockBytes;
    return frame;
}

// The bytes to step over for a fill byte (1) or a marker that has no length (2:
// TEM and the restart markers); 0 for a marker followed by its length.
int lengthlessMarkerSize(unsigned char marker)
{
    if (marker == 0xFF)
        return 1;
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7) ? 2 : 0;
}

}

std::optional<JpegFrame> readJpegFrame(QIODevice& device)
{
    if (device.isSequential())
        return std::nullopt;
    std::optional<JpegFrame> frame;
    bool progressive = false;
    int components = 0;
    std::optional<JpegFrame> found;
    qint64 at = 2; // past the start-of-image marker
    std::array<unsigned char, 4> head {};
    for (int markers = 0; !found && markers < kMostMarkers && readAt(device, at, head.data(), 4) && head[0] == 0xFF; ++markers) {
        if (const int skip = lengthlessMarkerSize(head[1])) {
            at += skip;
            continue;
        }
        const qint64 length = static_cast<qint64>(readBigEndian(head.data() + 2, 2));
        std::array<unsigned char, 6 + 3 * 255> payload {};
        if (length < 3 || !readAt(device, at + 4, payload.data(), std::min<qint64>(length - 2, payload.size())))
            break;
        if (startsFrame(head[1]) && !frame) {
            frame = parseFrame(payload.data(), std::min<qint64>(length - 2, payload.size()), &components);
            progressive = isProgressive(head[1]);
            if (!frame)
                break;
        } else if (head[1] == kStartOfScan && frame) {
            // A sequential scan of every component streams; anything else is buffered whole.
            if (!progressive && payload[0] >= components)
                frame->coefficientBytes = 0;
            found = frame;
        }
        at += 2 + length;
    }
    return device.seek(0) ? found : std::nullopt;
}
