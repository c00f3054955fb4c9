// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/PathPrediction.h"

#include "platform/Random.h"

#include <cstdlib>

std::vector<std::string> predictedPaths(const std::vector<std::string>& paths, std::uint32_t nextPath, bool inOrder, int resultsPerPicture,
    std::size_t count)
{
    std::vector<std::string> predicted;
    if (paths.empty())
        return predicted;
    predicted.reserve(count);
    if (inOrder) {
        for (std::size_t i = 0; i < count; ++i) {
            if (nextPath >= paths.size())
                nextPath = 0;
            predicted.push_back(paths[nextPath++]);
        }
        return predicted;
    }
    RandomStateCopy state = RandomStateCopy::current();
    state.advance([&] {
        for (std::size_t i = 0; i < count; ++i) {
            predicted.push_back(paths[static_cast<std::size_t>(uniformInteger(0, static_cast<int>(paths.size()) - 1))]);
            for (int result = 0; result < resultsPerPicture; ++result)
                random();
        }
    });
    return predicted;
}
