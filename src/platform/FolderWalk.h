// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The visible regular files below a folder, in the order a person sees them listed:
// each folder's entries in a file manager's order (see precedes), a subfolder's files
// right after the subfolder's place. Links to folders are never followed, so a walk cannot loop
// and never yields a path twice; a link to a regular file is listed under the link's
// own path. A subfolder that cannot be read is passed over.
class FolderWalk {
public:
    // The files of folder (used as given, a trailing '/' allowed), and with
    // subfolders true those of its whole tree; empty when folder cannot be read.
    static std::vector<std::string> visibleRegularFiles(const std::string& folder, bool subfolders);

    // The order file managers show names in, the same on every machine: letters
    // compared without case (ASCII only, other bytes by value), runs of digits by
    // their value ("IMG_2" before "IMG_10"); names equal that way fall back to byte order.
    static bool precedes(std::string_view a, std::string_view b);

    // The path of name inside folder, one '/' between them however folder ends:
    // "/" and "a" give "/a", as do "" and "a"; every path a walk or a watch reports
    // is made here, so the two always agree.
    static std::string joined(std::string_view folder, std::string_view name);
    // The same into path, whose room is kept.
    static void join(std::string& path, std::string_view folder, std::string_view name);

    // What a search does with a folder it is about to read.
    enum class Entering {
        Enter,
        Skip, // pass it and everything in it over
        Stop // end the whole walk
    };

    // The same walk for searching: every visible regular file of the tree (see
    // FileVisibility), but no folder whose name begins with a dot is entered.
    // enteringFolder is asked about each folder, the top one included, just before
    // it is read; foundFile is given each file's folder and name (joined makes its
    // path), so a file that is passed over costs no path. Returns false when folder
    // cannot be read.
    static bool searchableFiles(const std::string& folder, const std::function<Entering(const std::string&)>& enteringFolder,
        const std::function<void(const std::string& folder, std::string_view name)>& foundFile);
};
