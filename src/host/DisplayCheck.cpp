// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/DisplayCheck.h"

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
const char* nonEmpty(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}
}

bool DisplayCheck::displayReachable()
{
    const char* platform = nonEmpty("QT_QPA_PLATFORM");
    if (platform && std::strncmp(platform, "xcb", 3) != 0)
        return true;
    if (!platform && nonEmpty("WAYLAND_DISPLAY"))
        return true;
    // Qt takes a WAYLAND_DISPLAY that is set at all for a Wayland session, even an
    // empty one, and then aborts for want of it.
    if (!platform)
        ::unsetenv("WAYLAND_DISPLAY");
    const char* display = nonEmpty("DISPLAY");
    if (!display) {
        std::fprintf(stderr, "skyvanes: no display (DISPLAY is not set)\n");
        return false;
    }
    // Kept open for the run: an X server whose only client leaves resets itself, and
    // Qt's connection, made just after, would then fail.
    static xcb_connection_t* const connection = xcb_connect(display, nullptr);
    const bool reached = !xcb_connection_has_error(connection);
    if (!reached)
        std::fprintf(stderr, "skyvanes: cannot open the display %s\n", display);
    return reached;
}
