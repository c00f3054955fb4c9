// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ostream>

// `skyvanes --list`: the picture list the current settings give, one path a line,
// and the count on the error stream, so a person can see why a picture shows or not.
class PictureListCommand {
public:
    // With nullSeparated each path ends with a NUL byte instead (`--list --null`),
    // so names holding a newline reach a program such as `xargs -0` whole.
    [[nodiscard]] static int run(std::ostream& out, std::ostream& err, bool nullSeparated = false);
};
