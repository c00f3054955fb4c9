// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QCoreApplication;

// SIGTERM (xscreensaver, xsecurelock, swayidle's end) and SIGINT end the run through
// the event loop, so the saver stops cleanly and exits 0.
class QuitOnSignals {
public:
    // Installs the handlers for the life of the process; app quits on the signal.
    static void install(QCoreApplication& app);
};
