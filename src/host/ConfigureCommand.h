// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// `skyvanes --configure`: the settings window on its own, as a desktop's settings
// entry opens it. Closing the window saves every setting.
class ConfigureCommand {
public:
    // Shows the window until it is closed; returns the exit status: 0 after a close
    // that saved, 1 (with the reason on standard error) without a display or a
    // loadable window, or when the settings could not be stored.
    [[nodiscard]] static int run(const char* programName);
};
