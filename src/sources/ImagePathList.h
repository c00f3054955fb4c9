// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

// The picture paths of the source the settings name, built once per start, and when
// there are none, why.
class ImagePathList {
public:
    using LiveQueryStarter = std::function<void(const std::string& savedSearchPath)>;

    // One load's paths and, only when they are empty, why, in one line for the person:
    // no folder set, the folder missing, out of reach, unreadable, not a folder or
    // empty, the photo library or the album not found, the saved search unreadable or
    // refused. A saved search whose query starts has no reason: its pictures come later.
    struct Listing {
        std::vector<std::string> paths;
        std::optional<std::string> whyEmpty;
    };

    // Reads "Source" and the keys it needs from the module's settings and returns the
    // paths in the source's own order; never fails, possibly empty. For a saved search
    // it calls initiateLiveQuery (when the query facility is present) and returns
    // an empty list.
    static Listing listImagePaths(const LiveQueryStarter& initiateLiveQuery);

    // The paths of listImagePaths; its reason is kept for lastWhyEmpty.
    static std::vector<std::string> loadImagePaths(const LiveQueryStarter& initiateLiveQuery);
    // The reason the latest loadImagePaths in this process gave (any thread); nothing
    // before the first or when it found paths.
    static std::optional<std::string> lastWhyEmpty();

    // The folder ImageDir names now and why, in words for the person: which layer of
    // the settings gives it (the command line, the stored settings, xscreensaver's
    // image folder, the XDG pictures folder, the default).
    struct FolderChoice {
        std::string folder;
        std::string why;
    };
    // Nothing when ImageDir holds no string.
    static std::optional<FolderChoice> folderInForce();

    // The album-artwork folder below the user's home ($HOME), without a trailing '/'.
    static std::string albumArtworkFolder();

    static constexpr int kSourceAlbum = 0;
    static constexpr int kSourceFolder = 1;
    static constexpr int kSourceArtwork = 2;

private:
    static Listing albumPaths();
    static Listing linuxLibraryPaths(const std::optional<std::string>& album);
    static Listing folderPaths(const std::string& path, const std::string& what, bool subfolders, const LiveQueryStarter& initiateLiveQuery);
};
