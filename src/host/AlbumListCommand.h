// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ostream>

// `skyvanes --list-albums`: the names the album source can show, one a line, as they
// are to be stored in "Album"; the reason on the error stream when there are none.
class AlbumListCommand {
public:
    // 0 when a library was read (even one without albums), 1 when none could be.
    static int run(std::ostream& out, std::ostream& err);
};
