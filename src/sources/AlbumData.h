// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/PropertyValue.h"

#include <optional>
#include <string>
#include <vector>

// The photo library's album file: where it is, its album names and an album's
// picture keys. Keeps no state: every call reads what it needs afresh.
class AlbumData {
public:
    // The stored preferences of another application's domain: the file
    // "<domain>.plist" in the settings folder, else in ~/Library/Preferences; nothing
    // when neither exists or the one found is not a dictionary.
    static std::optional<PropertyDictionary> persistentDomainForName(const std::string& domain);

    // The album data of the library at the "RootDirectory" of the photo library's
    // preferences (used as stored, no tilde expansion): a dictionary holding the
    // album list (names and key lists) and the master image list (image paths),
    // the only parts anything here reads; nothing when any step fails.
    static std::optional<PropertyValue> iPhotoAlbumData();

    // The album data the settings sheet lists: the photo library's (above) where it is
    // found, else the names of the digiKam and Shotwell libraries' albums, without
    // key lists; nothing when there is neither.
    static std::optional<PropertyValue> albumDataForNames();

    // The album data that holds the album named name: the photo library's where it is
    // found, else the digiKam or Shotwell album of that name with its pictures;
    // nothing when there is neither.
    static std::optional<PropertyValue> albumDataForAlbum(const std::string& name);

    // For the picture list of the album source ("Source" 0): which digiKam or
    // Shotwell library it read; nothing for another source or where the photo
    // library is found.
    static std::optional<std::string> linuxLibraryNote();

    // The album file at path read as above; nothing when it is missing, not a
    // regular file, larger than kMaxFileSize or not a property list with a
    // dictionary at the top.
    static std::optional<PropertyValue> albumDataAtPath(const std::string& path);

    // Every album's name, a name once per album that has it, sorted by byte value
    // (so "Zoo" comes before "apple"); empty when there are no albums.
    static std::vector<std::string> iPhotoAlbumNames(const PropertyValue& albumData);

    // The "KeyList" of the first album named exactly name, pointing into albumData
    // (valid while it lives); null when no album has the name or that album has no
    // key list.
    static const PropertyArray* iPhotoKeyListForAlbum(const PropertyValue& albumData, const std::string& name);

    // The picture paths of the keys, in key order; a key without a record, or a
    // record without a string "ImagePath", adds nothing.
    static std::vector<std::string> imagePathsForKeys(const PropertyValue& albumData, const PropertyArray& keys);

    static constexpr const char* kPreferencesDomain = "com.apple.iPhoto";
    static constexpr const char* kAlbumFileName = "AlbumData.xml";
    // Well above any real library (100,000 pictures make about 60 MB).
    static constexpr std::size_t kMaxFileSize = std::size_t { 1 } << 30;
};
