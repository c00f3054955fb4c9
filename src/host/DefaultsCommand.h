// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ostream>
#include <string>
#include <vector>

// `skyvanes defaults read|write|delete …`: the settings store for people who configure
// without the dialog, and for scripts. Bad input changes nothing and exits non-zero.
class DefaultsCommand {
public:
    // Runs the words after "defaults"; returns the exit status.
    [[nodiscard]] static int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
};
