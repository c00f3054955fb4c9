// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <vector>

// The picture paths of the source the settings name, built once per start.
class ImagePathList {
public:
    using LiveQueryStarter = std::function<void(const std::string& savedSearchPath)>;

    // Reads "Source" and the keys it needs from the module's settings and returns the
    // paths in the source's own order; never fails, possibly empty. For a saved search
    // it calls initiateLiveQuery (when the query facility is present) and returns
    // an empty list.
    static std::vector<std::string> loadImagePaths(const LiveQueryStarter& initiateLiveQuery);
};
