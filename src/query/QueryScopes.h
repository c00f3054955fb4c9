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

    // What a query without scopes searches.
    static std::vector<std::string> defaultEntries() { return { "kMDQueryScopeComputer" }; }
};
