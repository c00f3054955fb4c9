// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>

// Why the settings' picture source gives no pictures, in one line for the person:
// the folder is missing or not a folder, the photo library or the album is not
// found, the saved search cannot be read or is refused. Nothing when the source is
// there (an existing folder may still hold no pictures).
class EmptyListReason {
public:
    static std::optional<std::string> find();

    // Judges a saved search file: a reason when it cannot be read or is refused.
    // The default reads it as a property list and, with no query service on this
    // system, reports it ignored; a query service replaces it with its own check.
    using SavedSearchCheck = std::function<std::optional<std::string>(const std::string& path)>;
    static void setSavedSearchCheck(SavedSearchCheck check);
};
