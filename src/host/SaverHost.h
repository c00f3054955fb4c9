// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "host/CommandLine.h"
#include "platform/ImageDecoder.h"

#include <memory>

// Runs the saver on screen with Qt: in its own window, full screen, or inside a
// window that xscreensaver or xsecurelock gives it. It keeps the host's contract:
// initialise the class, create the view, give its renderer a GL surface, start,
// one tick per animation interval followed by a redraw, stop.
class SaverHost {
public:
    // Returns the exit status: 0 after SIGTERM, SIGINT or the window being closed.
    // The renderer reads its pictures with decoder.
    [[nodiscard]] static int run(const CommandLine& line, const char* programName, const std::shared_ptr<const ImageDecoder>& decoder);
};
