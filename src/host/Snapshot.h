// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "host/CommandLine.h"
#include "platform/ImageDecoder.h"

#include <memory>

// Draws frames offscreen, without any display, and writes the last one to a PNG.
class Snapshot {
public:
    // Returns the exit status; messages go to standard error. The renderer reads
    // its pictures with decoder.
    [[nodiscard]] static int run(const CommandLine& line, std::shared_ptr<const ImageDecoder> decoder);
};
