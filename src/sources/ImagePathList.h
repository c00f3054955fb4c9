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

    // The album-artwork folder below the user's home ($HOME), without a trailing '/'.
    static std::string albumArtworkFolder();

    static constexpr int kSourceAlbum = 0;
    static constexpr int kSourceFolder = 1;
    static constexpr int kSourceArtwork = 2;

private:
    static std::vector<std::string> albumPaths();
    static std::vector<std::string> folderPaths(const LiveQueryStarter& initiateLiveQuery);
};
