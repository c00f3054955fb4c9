// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

// Whether a file should be offered to the person: the Linux reading of "invisible"
// is a name that begins with a dot, or a name listed in the ".hidden" file of its
// own folder (the convention of GNOME Files and KDE Dolphin).
class FileVisibility {
public:
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const { return std::hash<std::string_view> {}(name); }
    };
    using HiddenNames = std::unordered_set<std::string, NameHash, std::equal_to<>>;

    // True when the item at path can be reached (lstat succeeds; a link is judged
    // by itself, not its target) and is not hidden; reads the folder's ".hidden" afresh.
    static bool fileIsVisible(const std::string& path);

    // The names listed in folder/.hidden, one per line, exact and case-sensitive;
    // empty when there is no such file or it cannot be read.
    static HiddenNames hiddenNames(const std::string& folder);

    // True when an entry called name, in a folder whose ".hidden" lists hidden,
    // is visible.
    static bool nameIsVisible(std::string_view name, const HiddenNames& hidden);
};
