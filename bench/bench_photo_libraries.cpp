// SPDX-License-Identifier: GPL-3.0-or-later
// Times the album source on a generated digiKam and a generated Shotwell library of
// 100,000 photos in 2,000 albums (events) and 500 tags each, built with each program's
// schema: the album names the settings sheet lists, and one album's and one tag's
// picture list built through the settings as the saver builds it (and, the worst
// case, a tag on all 100,000).
// Usage: bench_photo_libraries [scratch-folder] [runs]
#include "BenchTiming.h"
#include "saver/SkyvanesView.h"
#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"
#include "sources/AlbumData.h"
#include "sources/DigikamLibrary.h"
#include "sources/ImagePathList.h"
#include "sources/ShotwellLibrary.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kPhotos = 100000;
constexpr int kAlbums = 2000;
constexpr int kTags = 500;
constexpr int kTagsPerPhoto = 3;
// 2021-01-01, and about 15 minutes between photos.
constexpr std::int64_t kFirstTime = 1609459200;
constexpr std::int64_t kStep = 947;

std::string schema(const char* name)
{
    std::ifstream in(fs::path(SKYVANES_SOURCE_DIR) / "tests/sources/data" / name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class Database {
public:
    explicit Database(const fs::path& path)
    {
        sqlite3_open(path.c_str(), &mConnection);
        run("PRAGMA synchronous=OFF");
    }
    ~Database() { sqlite3_close(mConnection); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    void run(const std::string& sql)
    {
        char* error = nullptr;
        if (sqlite3_exec(mConnection, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            std::fprintf(stderr, "%s\n", error ? error : "?");
            std::exit(1);
        }
    }
    // Runs sql once per row, each row's values bound in order (numbers and texts).
    template <typename Fill>
    void insert(const char* sql, int rows, Fill&& fill)
    {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(mConnection, sql, -1, &statement, nullptr);
        for (int row = 0; row < rows; ++row) {
            sqlite3_reset(statement);
            fill(statement, row);
            sqlite3_step(statement);
        }
        sqlite3_finalize(statement);
    }

private:
    sqlite3* mConnection { nullptr };
};

void bindText(sqlite3_stmt* statement, int index, const std::string& text)
{
    sqlite3_bind_text(statement, index, text.c_str(), -1, SQLITE_TRANSIENT);
}

// The tags a photo is in: spread so that every tag holds about 600 photos.
int tagOf(int photo, int which)
{
    return (photo * 7 + which * 131) % kTags;
}

void writeDigikam(const fs::path& path, const fs::path& pictures)
{
    Database db(path);
    db.run(schema("digikam-7.9-schema.sql"));
    db.run("BEGIN");
    db.run("INSERT INTO AlbumRoots VALUES (1, 'Pictures', 0, 1, 'volumeid:?path=" + pictures.string() + "', '/')");
    db.insert("INSERT INTO Albums (id, albumRoot, relativePath) VALUES (?1, 1, ?2)", kAlbums, [](sqlite3_stmt* s, int a) {
        sqlite3_bind_int(s, 1, a + 1);
        bindText(s, 2, "/" + std::to_string(2000 + a / 100) + "/Album " + std::to_string(a));
    });
    const int perAlbum = kPhotos / kAlbums;
    db.insert("INSERT INTO Images (id, album, name, status, category) VALUES (?1, ?2, ?3, 1, 1)", kPhotos, [&](sqlite3_stmt* s, int p) {
        sqlite3_bind_int(s, 1, p + 1);
        sqlite3_bind_int(s, 2, p / perAlbum + 1);
        bindText(s, 3, "IMG_" + std::to_string(p) + ".JPG");
    });
    db.insert("INSERT INTO ImageInformation (imageid, creationDate) VALUES (?1, datetime(?2, 'unixepoch'))", kPhotos, [](sqlite3_stmt* s, int p) {
        sqlite3_bind_int(s, 1, p + 1);
        sqlite3_bind_int64(s, 2, kFirstTime + static_cast<std::int64_t>(kPhotos - p) * kStep);
    });
    db.run("INSERT INTO Tags (id, pid, name) VALUES (100000, 0, '_Digikam_Internal_Tags_');"
           "INSERT INTO TagProperties (tagid, property) VALUES (100000, 'internalTag')");
    db.insert("INSERT INTO Tags (id, pid, name) VALUES (?1, ?2, ?3)", kTags, [](sqlite3_stmt* s, int t) {
        sqlite3_bind_int(s, 1, t + 1);
        sqlite3_bind_int(s, 2, t < 50 ? 0 : t % 50 + 1);
        bindText(s, 3, "Tag " + std::to_string(t));
    });
    db.insert("INSERT OR IGNORE INTO ImageTags (imageid, tagid) VALUES (?1, ?2)", kPhotos * kTagsPerPhoto, [](sqlite3_stmt* s, int i) {
        sqlite3_bind_int(s, 1, i / kTagsPerPhoto + 1);
        sqlite3_bind_int(s, 2, tagOf(i / kTagsPerPhoto, i % kTagsPerPhoto) + 1);
    });
    // The worst case: one tag on every photo.
    db.run("INSERT INTO Tags (id, pid, name) VALUES (100001, 0, 'Everything');"
           "INSERT INTO ImageTags (imageid, tagid) SELECT id, 100001 FROM Images");
    db.run("COMMIT");
}

void writeShotwell(const fs::path& path)
{
    Database db(path);
    db.run(schema("shotwell-0.30-schema.sql"));
    db.run("BEGIN");
    // Half the events are named; the others are named by their day.
    db.insert("INSERT INTO EventTable (id, name) VALUES (?1, ?2)", kAlbums, [](sqlite3_stmt* s, int e) {
        sqlite3_bind_int(s, 1, e + 1);
        if (e % 2)
            bindText(s, 2, "Event " + std::to_string(e));
    });
    const int perEvent = kPhotos / kAlbums;
    db.insert("INSERT INTO PhotoTable (id, filename, exposure_time, event_id, flags, rating) VALUES (?1, ?2, ?3, ?4, 0, 0)", kPhotos, [&](sqlite3_stmt* s, int p) {
        sqlite3_bind_int(s, 1, p + 1);
        bindText(s, 2, "/home/user/Pictures/" + std::to_string(2000 + p / perEvent / 100) + "/IMG_" + std::to_string(p) + ".JPG");
        sqlite3_bind_int64(s, 3, kFirstTime + static_cast<std::int64_t>(p) * kStep);
        sqlite3_bind_int(s, 4, p / perEvent + 1);
    });
    std::vector<std::string> lists(kTags);
    char id[32];
    for (int p = 0; p < kPhotos; ++p) {
        for (int which = 0; which < kTagsPerPhoto; ++which) {
            std::snprintf(id, sizeof id, "thumb%016x,", p + 1);
            lists[static_cast<std::size_t>(tagOf(p, which))] += id;
        }
    }
    db.insert("INSERT INTO TagTable (id, name, photo_id_list) VALUES (?1, ?2, ?3)", kTags, [&](sqlite3_stmt* s, int t) {
        sqlite3_bind_int(s, 1, t + 1);
        bindText(s, 2, t < 50 ? "Tag " + std::to_string(t) : "/Tag " + std::to_string(t % 50) + "/Tag " + std::to_string(t));
        bindText(s, 3, lists[static_cast<std::size_t>(t)]);
    });
    std::string everything;
    for (int p = 0; p < kPhotos; ++p) {
        std::snprintf(id, sizeof id, "thumb%016x,", p + 1);
        everything += id;
    }
    db.run("INSERT INTO TagTable (id, name, photo_id_list) VALUES (100001, 'Everything', '" + everything + "')");
    db.run("COMMIT");
}

void timeNames(const char* what, int runs)
{
    std::size_t count = 0;
    const double seconds = medianSeconds(
        runs, [&] {
            const auto data = AlbumData::albumDataForNames();
            count = data ? AlbumData::iPhotoAlbumNames(*data).size() : 0;
        },
        WarmUp::Once);
    std::printf("%-28s album names: %5zu in %.3f s\n", what, count, seconds);
}

void timeAlbum(const char* what, const std::string& album, int runs)
{
    auto& defaults = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
    defaults.setObject(PropertyValue(album), SettingsKey::Album);
    std::size_t count = 0;
    const double seconds = medianSeconds(
        runs, [&] { count = ImagePathList::loadImagePaths({}).size(); }, WarmUp::Once);
    std::printf("%-28s %-30s %5zu paths in %.3f s\n", what, ("\"" + album + "\"").c_str(), count, seconds);
}

}

int main(int argc, char** argv)
{
    const fs::path folder = argc > 1 && *argv[1] ? argv[1] : fs::temp_directory_path() / "skyvanes-bench-photo-libraries";
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 9;
    fs::remove_all(folder);
    const fs::path digikam = folder / "home/Pictures/digikam4.db";
    const fs::path shotwell = folder / "home/.local/share/shotwell/data/photo.db";
    fs::create_directories(digikam.parent_path());
    fs::create_directories(shotwell.parent_path());
    fs::create_directories(folder / "config");
    writeDigikam(digikam, digikam.parent_path());
    writeShotwell(shotwell);
    std::printf("digiKam library %.1f MB, Shotwell library %.1f MB; %d photos, %d albums, %d tags each\n",
        fs::file_size(digikam) / 1e6, fs::file_size(shotwell) / 1e6, kPhotos, kAlbums, kTags);

    ::setenv("HOME", (folder / "home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    ::unsetenv("XDG_DATA_HOME");
    SkyvanesView::initialize();
    ScreenSaverDefaults::defaultsForModuleWithName(kModuleName).setInteger(ImagePathList::kSourceAlbum, SettingsKey::Source);

    timeNames("both libraries", runs);
    timeAlbum("both libraries", "digiKam: 2012/Album 1234", runs);
    timeAlbum("both libraries", "digiKam: Tag: Tag 7/Tag 457", runs);
    timeAlbum("both libraries", "Shotwell: Event 1233", runs);
    timeAlbum("both libraries", "Shotwell: Tag: Tag 7/Tag 457", runs);
    timeAlbum("both libraries", "digiKam: Tag: Everything", runs);
    timeAlbum("both libraries", "Shotwell: Tag: Everything", runs);
    // The readers alone, without the album data built from what they read.
    std::size_t count = 0;
    double seconds = medianSeconds(
        runs, [&] { count = DigikamLibrary(digikam.string()).picturePaths("Tag: Everything").items->size(); }, WarmUp::Once);
    std::printf("%-28s %-30s %5zu paths in %.3f s\n", "DigikamLibrary alone", "\"Tag: Everything\"", count, seconds);
    seconds = medianSeconds(
        runs, [&] { count = ShotwellLibrary(shotwell.string()).picturePaths("Tag: Everything").items->size(); }, WarmUp::Once);
    std::printf("%-28s %-30s %5zu paths in %.3f s\n", "ShotwellLibrary alone", "\"Tag: Everything\"", count, seconds);
    fs::rename(shotwell, folder / "photo.db");
    timeNames("digiKam alone", runs);
    timeAlbum("digiKam alone", "2012/Album 1234", runs);
    fs::rename(folder / "photo.db", shotwell);
    fs::rename(digikam, folder / "digikam4.db");
    timeNames("Shotwell alone", runs);
    timeAlbum("Shotwell alone", "Event 1233", runs);
    timeAlbum("Shotwell alone", "Tag: Tag 7/Tag 457", runs);
    std::printf("peak resident %.0f MB\n", peakResidentMB());
    fs::remove_all(folder);
    return 0;
}
