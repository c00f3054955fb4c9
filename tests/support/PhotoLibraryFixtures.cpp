// SPDX-License-Identifier: GPL-3.0-or-later
#include "PhotoLibraryFixtures.h"
#include "TestSupport.h"
#include "settings/PropertyList.h"
#include "sources/ImagePathList.h"

#include <gtest/gtest.h>

#include <ctime>
#include <fstream>

LibraryWriter::LibraryWriter(const std::filesystem::path& path)
{
    sqlite3_open(path.c_str(), &mConnection);
    // Durability is not what is tested, and every fsync costs the test time.
    run("PRAGMA synchronous=OFF");
}

LibraryWriter::~LibraryWriter()
{
    sqlite3_close(mConnection);
}

void LibraryWriter::run(const std::string& sql)
{
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(mConnection, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "") << " in " << sql.substr(0, 200);
    sqlite3_free(error);
}

std::string librarySchema(const char* name)
{
    return fileContents(std::filesystem::path(SKYVANES_SOURCE_DIR) / "tests/sources/data" / name);
}

namespace {

// Seconds since the epoch of a local date and time, as Shotwell stores exposure times.
std::int64_t localTime(int year, int month, int day, int hour)
{
    std::tm parts {};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&parts));
}

}

void writeDigikamLibrary(const std::filesystem::path& path, const std::string& pictures)
{
    LibraryWriter db(path);
    db.run(librarySchema("digikam-7.9-schema.sql"));
    db.run("INSERT INTO AlbumRoots VALUES (1, 'Pictures', 0, 1, 'volumeid:?path=" + pictures + "', '/');"
                                                                                               "INSERT INTO AlbumRoots VALUES (2, 'Archive', 0, 2, 'volumeid:?uuid=AB12-CD34', '/photos');"
                                                                                               "INSERT INTO Albums (id, albumRoot, relativePath) VALUES (1, 1, '/'), (2, 1, '/Holidays'), (3, 1, '/Holidays/Sommer in Köln'), (4, 2, '/Old');"
                                                                                               "INSERT INTO Images (id, album, name, status, category) VALUES"
                                                                                               " (1, 2, 'b.jpg', 1, 1), (2, 2, 'a.jpg', 1, 1), (3, 2, 'c.jpg', 1, 1), (4, 2, 'hidden.jpg', 2, 1), (5, 2, 'trashed.jpg', 3, 1),"
                                                                                               " (6, 2, 'obsolete.jpg', 4, 1), (7, 2, 'clip.mp4', 1, 2), (8, 2, 'song.mp3', 1, 3), (9, 3, 'dom.jpg', 1, 1), (10, 4, 'old.jpg', 1, 1), (11, 1, 'top.jpg', 1, 1);"
                                                                                               "INSERT INTO ImageInformation (imageid, creationDate) VALUES (1, '2021-05-02T10:00:00'), (2, '2021-05-03T09:00:00'),"
                                                                                               " (3, '2021-05-02T10:00:00'), (4, '2021-05-01T00:00:00'), (7, '2021-05-01T00:00:00'), (9, '2020-01-01T00:00:00');"
                                                                                               "INSERT INTO Tags (id, pid, name) VALUES (1, 0, '_Digikam_Internal_Tags_'), (2, 1, 'Color Label Red'), (3, 0, 'Family'), (4, 3, 'Anna'), (5, 0, 'Pick Label');"
                                                                                               "INSERT INTO TagProperties (tagid, property, value) VALUES (1, 'internalTag', NULL), (5, 'internalTag', NULL), (3, 'kfaceId', '1');"
                                                                                               "INSERT INTO ImageTags (imageid, tagid) VALUES (2, 4), (9, 4), (2, 3), (4, 4), (7, 4), (10, 4), (1, 2);");
}

void writeShotwellLibrary(const std::filesystem::path& path)
{
    LibraryWriter db(path);
    db.run(librarySchema("shotwell-0.30-schema.sql"));
    const auto at = [](int day, int hour) { return std::to_string(localTime(2023, 7, day, hour)); };
    db.run("INSERT INTO EventTable (id, name) VALUES (1, 'Wedding'), (2, NULL), (3, NULL), (4, NULL), (5, NULL);"
           "INSERT INTO PhotoTable (id, filename, exposure_time, event_id, flags, rating) VALUES"
           " (1, '/p/w2.jpg', "
        + at(1, 12) + ", 1, 0, 0), (2, '/p/w1.jpg', " + at(1, 12) + ", 1, 2, 5), (3, '/p/w0.jpg', " + at(1, 13) + ", 1, 0, 0),"
                                                                                                                  " (4, '/p/trash.jpg', "
        + at(1, 1) + ", 1, 4, 0), (5, '/p/hidden.jpg', " + at(1, 1) + ", 1, 1, 0), (6, '/p/rejected.jpg', " + at(1, 1) + ", 1, 0, -1),"
                                                                                                                         " (7, '/p/late.jpg', "
        + at(9, 20) + ", 2, 0, 0), (8, '/p/early.jpg', " + at(9, 8) + ", 3, 0, 0), (9, '/p/next.jpg', " + at(10, 8) + ", 4, 0, 0);"
                                                                                                                      "INSERT INTO VideoTable (id, filename, exposure_time, event_id) VALUES (1, '/p/clip.mp4', "
        + at(1, 12) + ", 1);"
                      "INSERT INTO TagTable (id, name, photo_id_list) VALUES (1, '/Family', 'thumb0000000000000003,'),"
                      " (2, '/Family/Anna', 'thumb0000000000000009,video-0000000000000001,thumb0000000000000001,thumb0000000000000004,'),"
                      " (3, 'Beach', '8,7,')");
}

std::string albumDataWithAlbums(const std::vector<std::string>& names)
{
    std::string albums;
    for (const auto& name : names)
        albums += "<dict><key>AlbumName</key><string>" + name + "</string><key>KeyList</key><array/></dict>";
    return "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>List of Albums</key><array>" + albums
        + "</array><key>Master Image List</key><dict/></dict></plist>";
}

void writePhotoLibraryPreferences(const std::filesystem::path& folder, const std::string& root, const std::string& prefix)
{
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "com.apple.iPhoto.plist") << prefix << PropertyList::toXML(PropertyValue(PropertyDictionary { { "RootDirectory", PropertyValue(root) } }));
}

std::vector<std::string> albumPaths(const std::string& album)
{
    moduleSettings().setObject(PropertyValue(album), SettingsKey::Album);
    return ImagePathList::loadImagePaths({});
}
