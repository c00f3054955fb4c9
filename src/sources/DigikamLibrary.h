// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sources/PhotoLibraryRead.h"

#include <optional>
#include <string>

// A digiKam library (its SQLite database, digikam4.db): physical albums named by
// their path within their collection, and tags as "Tag: " and their full
// hierarchical name. Pictures only: videos, audio and what digiKam marks hidden,
// trashed or obsolete are left out, and its internal tags are not albums.
class DigikamLibrary {
public:
    // The library whose database is at databasePath; volumes given by UUID are looked
    // up in volumesByUuid (a folder of links to devices) and mountInfo (the kernel's
    // mount table), which tests point elsewhere.
    explicit DigikamLibrary(std::string databasePath, std::string mountInfo = "/proc/self/mountinfo", std::string volumesByUuid = "/dev/disk/by-uuid");

    // The database's path, as given.
    const std::string& databasePath() const { return mDatabasePath; }

    // Every album's and tag's name, in the database's order (not sorted).
    PhotoLibraryRead albumNames() const;

    // The paths of the pictures of the album or tag named name, by capture time, then
    // file name; reason tells of collections whose volume is not mounted.
    PhotoLibraryRead picturePaths(const std::string& name) const;

    // The database digiKam uses: the folder that ~/.config/digikamrc names for
    // SQLite, else ~/Pictures; nothing when no digikam4.db is there or digiKam is
    // set to another database server.
    static std::optional<std::string> findDatabase();

    // The folder a volume is mounted on, found by its file-system UUID (as digiKam
    // writes it, any case); nothing when it is not mounted.
    std::optional<std::string> mountPointOfVolume(const std::string& uuid) const;

    static constexpr const char* kDatabaseName = "digikam4.db";

private:
    std::string mDatabasePath;
    std::string mMountInfo;
    std::string mVolumesByUuid;
};
