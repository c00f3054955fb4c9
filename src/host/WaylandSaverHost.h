// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "host/CommandLine.h"
#include "platform/ImageDecoder.h"

#include <memory>
#include <optional>

// Runs the saver as a client of a Wayland compositor: one view on each output, each
// with its own renderer, as output come and go. Each view's frames follow FrameRate,
// and a tick that finds the output's last frame not yet taken by the compositor is
// skipped whole for that view.
class WaylandSaverHost {
public:
    // Full screen (the overlay, ended by input) or a background (no input).
    enum class Role {
        Fullscreen,
        Background
    };

    // Nothing when no Wayland compositor answers (WAYLAND_SOCKET or WAYLAND_DISPLAY),
    // so the caller may try X, or for a background when it has no layer shell; else the exit status: 0 after SIGTERM, SIGINT, input in
    // full screen, a surface closed by the compositor or the connection lost; 1 when no
    // surface can be made. The renderers read their pictures with decoder.
    static std::optional<int> run(const CommandLine& line, Role role, const char* programName, std::shared_ptr<const ImageDecoder> decoder);
};
