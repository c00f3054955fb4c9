// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// A connection of the photo program's own, which writes (a failing statement fails the test).
class LibraryWriter {
public:
    explicit LibraryWriter(const std::filesystem::path& path);
    ~LibraryWriter();
    LibraryWriter(const LibraryWriter&) = delete;
    LibraryWriter& operator=(const LibraryWriter&) = delete;

    void run(const std::string& sql);

private:
    sqlite3* mConnection { nullptr };
};

// The schema script tests/sources/data/<name>: digiKam's or Shotwell's own.
std::string librarySchema(const char* name);

// A digiKam library at path: collections "Pictures" (the folder pictures, by path) and
// "Archive" (on the volume AB12-CD34, not mounted), albums "/", "/Holidays",
// "/Holidays/Sommer in Köln" and "/Old", tags Family and Family/Anna beside internal
// ones, and hidden, trashed, obsolete, video and audio items among the pictures.
void writeDigikamLibrary(const std::filesystem::path& path, const std::string& pictures);

// A Shotwell library at path: the event "Wedding", unnamed events on 2023-07-09 (two)
// and 2023-07-10, tags "/Family", "/Family/Anna" (current list form, with a video) and
// "Beach" (older form), and trashed, hidden and rejected photos.
void writeShotwellLibrary(const std::filesystem::path& path);

// A photo library album file of the named albums, each empty, in the order given.
std::string albumDataWithAlbums(const std::vector<std::string>& names);

// The photo library's preferences in folder, naming root as the library's folder; prefix
// comes before the property list.
void writePhotoLibraryPreferences(const std::filesystem::path& folder, const std::string& root, const std::string& prefix = "");

// The pictures the album source lists for album, stored as the chosen one.
std::vector<std::string> albumPaths(const std::string& album);
