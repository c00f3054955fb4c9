// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The paths that the next count top-ups will choose from paths, provided every one
// of them can be read and the list stays as it is. In order they follow the cursor
// nextPath; at random they come from the results random() will give, each choice
// followed by the resultsPerPicture that making its sprite uses up. random()'s own
// sequence is not touched.
std::vector<std::string> predictedPaths(const std::vector<std::string>& paths, std::uint32_t nextPath, bool inOrder, int resultsPerPicture,
    std::size_t count);
