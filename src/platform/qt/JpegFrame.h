// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>

class QIODevice;

// What a JPEG's headers say about the memory libjpeg needs to decode it.
struct JpegFrame {
    std::int64_t width { 0 };
    std::int64_t height { 0 };
    // Bytes of the whole-picture coefficient buffer libjpeg fills before it puts out a
    // row, which scaling does not shrink: for progressive pictures and those whose
    // components come in separate scans. 0 when the picture is decoded row by row.
    std::int64_t coefficientBytes { 0 };
};

// The frame of the JPEG on the device, read up to its first scan; nothing when the
// markers before it are damaged or the device cannot seek. Leaves the device at its start.
std::optional<JpegFrame> readJpegFrame(QIODevice& device);
