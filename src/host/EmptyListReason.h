// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

// Why the settings' picture source gives no pictures, in one line for the person:
// the folder is missing, out of reach, unreadable or not a folder, the photo library
// or the album is not found, the saved search cannot be read or is refused. Nothing when the source is
// there (an existing folder may still hold no pictures).
class EmptyListReason {
public:
    static std::optional<std::string> find();
};
