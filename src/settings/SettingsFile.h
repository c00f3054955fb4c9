// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/PropertyValue.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// One settings file on disk: reading it without trusting what is at the path, and
// replacing it without losing what was there. Holds no state.
class SettingsFile {
public:
    enum class State {
        Missing, // nothing at the path (a link to nothing counts as nothing)
        Read, // a property list holding a dictionary
        Unreadable, // there, but not readable by us or not a regular file: never to be replaced
        Damaged, // readable, but no settings: may be moved aside and replaced
    };
    struct Contents {
        State state { State::Missing };
        PropertyDictionary values;
        // Why the file gives no settings, to follow "The settings file <path> ".
        std::string problem;
    };

    // What the file at path holds. Follows links; refuses folders, pipes and devices
    // without waiting on them, and files over kMaxBytes as damaged.
    static Contents read(const std::string& path);

    // The file a write to path must replace: path itself, or the end of the chain of
    // links at path (which may not exist yet); nothing for a loop or an unreadable link.
    [[nodiscard]] static std::optional<std::string> writeTarget(const std::string& path);

    // Moves the damaged file at target aside to "<target>.corrupt", or ".corrupt.2"
    // and on when that is taken; the name used, or nothing when it could not be moved.
    [[nodiscard]] static std::optional<std::string> moveAside(const std::string& target);

    // Deletes what earlier writes to target left behind when killed. Only for a
    // caller holding the domain's lock, since a write in progress looks the same.
    static void removeStaleTemporaries(const std::string& target);

    // Replaces target with bytes atomically: a temporary file beside it, synced and
    // renamed over it. False when any step fails (target is then untouched).
    [[nodiscard]] static bool replace(const std::string& target, std::string_view bytes);

    // Well above any real settings (a full set is about 2 KB).
    static constexpr std::size_t kMaxBytes = std::size_t { 4 } << 20;
    static constexpr std::string_view kTemporaryMark = ".tmp-";
    // The problem of a file there that we may not read.
    static constexpr std::string_view kCannotBeRead = "cannot be read";
};
