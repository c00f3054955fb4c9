// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/PropertyValue.h"

#include <optional>
#include <string>

// The photo programs' libraries Linux users keep (digiKam's and Shotwell's), found
// where those programs keep them and read into album data of the album file's own
// shape ("List of Albums" with "AlbumName" and "KeyList", "Master Image List" with
// "ImagePath"), so the album source reads them as it reads the album file. Where
// both are found, every name starts with its library's ("digiKam: ", "Shotwell: ").
// Keeps no state: every call finds and reads the libraries afresh.
class PhotoLibraries {
public:
    // Whether a digiKam or Shotwell library is there to be read.
    static bool found();

    // Album data naming every album of the libraries found, without key lists or
    // pictures; nothing when none is found or none can be read.
    static std::optional<PropertyValue> albumNamesData();

    // Album data holding only the album named name, with its pictures (keys of one
    // width, "00", "01", …, in the pictures' order); an empty album list when no
    // library has that album, nothing when none is found or the one holding it
    // cannot be read.
    static std::optional<PropertyValue> albumData(const std::string& name);

    // Why the album named name gives no pictures (a library that cannot be read, no
    // such album, a collection not mounted), as one line; nothing when it gives
    // pictures or no library is found.
    static std::optional<std::string> emptyAlbumReason(const std::string& name);

    // Why no album names can be listed, as one line; nothing when some can.
    static std::optional<std::string> noNamesReason();

    // For the picture list: which library the album named name was read from
    // ("Album source: the digiKam library …"); nothing when no library is found.
    static std::optional<std::string> sourceNote(const std::string& name);

    static constexpr const char* kDigikamPrefix = "digiKam: ";
    static constexpr const char* kShotwellPrefix = "Shotwell: ";
};
