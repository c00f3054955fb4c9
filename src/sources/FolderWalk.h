// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

// The visible regular files below a folder, in the order a person sees them listed:
// each folder's entries sorted by name (byte order), a subfolder's files right after
// the subfolder's place. Links to folders are never followed, so a walk cannot loop
// and never yields a path twice; a link to a regular file is listed under the link's
// own path. A subfolder that cannot be read is passed over.
class FolderWalk {
public:
    // The files of folder (used as given, a trailing '/' allowed), and with
    // subfolders true those of its whole tree; empty when folder cannot be read.
    static std::vector<std::string> visibleRegularFiles(const std::string& folder, bool subfolders);
};
