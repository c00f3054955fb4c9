// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

// What one read of a photo program's library gave: album names, or one album's
// picture paths.
struct PhotoLibraryRead {
    // The names or paths, in the order read; none when the library could not be read,
    // or (for paths) when it has no album of that name.
    std::optional<std::vector<std::string>> items;
    // One sentence for the person: why items is none, or why pictures are left out
    // (a volume that is not mounted); empty when nothing went wrong.
    std::string reason;
};
