// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

// Turns the scope entries of a query into the folders to search.
class QueryScopes {
public:
    // Entries are folder paths (a leading '~' is the home folder), file:// URLs, or
    // kMDQueryScopeHome, kMDQueryScopeComputer (home and the mounted volumes under
    // /media, /mnt and /run/media/$USER) and kMDQueryScopeNetwork (nothing); other
    // entries are ignored. The result holds absolute folder paths without a trailing
    // '/', each once, none inside another.
    static std::vector<std::string> folders(const std::vector<std::string>& entries);

    // False for an entry no path can be made of: one that holds a NUL byte, as
    // itself or as %00 in a file URL (the system would cut the path there).
    static bool canNamePath(const std::string& entry);

    // What a query without scopes searches.
    static std::vector<std::string> defaultEntries() { return { "kMDQueryScopeComputer" }; }
};
