// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sources/PhotoLibraryRead.h"

#include <optional>
#include <string>

// A Shotwell library (its SQLite database, photo.db): events by name, an unnamed one
// by its first photo's local date (YYYY-MM-DD, then " (2)", " (3)" for more on that
// day), and tags as "Tag: " and the name Shotwell shows. Photos only: videos, and
// photos trashed, hidden or rejected, are left out.
class ShotwellLibrary {
public:
    // The library whose database is at databasePath.
    explicit ShotwellLibrary(std::string databasePath);

    // The database's path, as given.
    const std::string& databasePath() const { return mDatabasePath; }

    // Every event's and tag's name, events first, in the database's order (not sorted).
    PhotoLibraryRead albumNames() const;

    // The paths of the photos of the event or tag named name, by capture time, then path.
    PhotoLibraryRead picturePaths(const std::string& name) const;

    // Where Shotwell keeps its library: ${XDG_DATA_HOME:-~/.local/share}/shotwell/data/photo.db;
    // nothing when no file is there.
    static std::optional<std::string> findDatabase();

private:
    std::string mDatabasePath;
};
