// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Qt aborts the program when it cannot open its display, so the modes that show a
// window ask here first.
class DisplayCheck {
public:
    // True when Qt will find a display: a platform named by QT_QPA_PLATFORM other than
    // X is trusted; a Wayland display must answer and have Qt's plugin, else an X
    // display must answer. Otherwise says why on standard error, in one line, and
    // returns false. Empty variables count as unset.
    static bool displayReachable();
};
