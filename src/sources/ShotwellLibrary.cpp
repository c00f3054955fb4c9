// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/ShotwellLibrary.h"

#include "platform/HomeFolder.h"
#include "sources/SqliteDatabase.h"

#include <sys/stat.h>

#include <charconv>
#include <cstdlib>
#include <ctime>
#include <map>
#include <sstream>

namespace {

// LibraryPhoto's flags: hidden (an older kind of trash) and trash; a rejected photo
// has the rating -1.
constexpr std::int64_t kLeftOutFlags = 0x1 | 0x4;
constexpr std::int64_t kRejected = -1;

bool hasSchema(SqliteDatabase& database, std::string& failure)
{
    return database.hasTables({ { "PhotoTable", { "id", "filename", "exposure_time", "event_id", "flags", "rating" } },
                                  { "EventTable", { "id", "name" } },
                                  { "TagTable", { "id", "name", "photo_id_list" } } },
        failure);
}

struct Entry {
    std::string name;
    std::int64_t id;
    bool tag;
};

std::string localDate(std::int64_t seconds)
{
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm parts {};
    if (!::localtime_r(&time, &parts))
        return "0000-00-00";
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d", &parts);
    return text;
}

bool readEvents(SqliteDatabase& database, std::vector<Entry>& entries, std::string& failure)
{
    // Unnamed events are numbered per day in the order they start.
    std::map<std::string, int> perDay;
    return database.query(
        "SELECT EventTable.id, EventTable.name, (SELECT min(exposure_time) FROM PhotoTable WHERE PhotoTable.event_id = EventTable.id) AS start "
        "FROM EventTable ORDER BY start, EventTable.id",
        {}, [&](sqlite3_stmt* row) {
            std::string name = SqliteDatabase::text(row, 1);
            if (name.empty()) {
                // Without a photo an unnamed event has no date to be shown by.
                if (sqlite3_column_type(row, 2) == SQLITE_NULL)
                    return;
                name = localDate(sqlite3_column_int64(row, 2));
                const int count = ++perDay[name];
                if (count > 1)
                    name += " (" + std::to_string(count) + ")";
            }
            entries.push_back({ std::move(name), sqlite3_column_int64(row, 0), false });
        },
        failure);
}

bool readTags(SqliteDatabase& database, std::vector<Entry>& entries, std::string& failure)
{
    return database.query(
        "SELECT id, name FROM TagTable ORDER BY id", {}, [&](sqlite3_stmt* row) {
            std::string name = SqliteDatabase::text(row, 1);
            // Tags in a hierarchy are stored as "/Parent/Child"; Shotwell shows them without the slash.
            if (name.starts_with('/'))
                name.erase(0, 1);
            entries.push_back({ "Tag: " + name, sqlite3_column_int64(row, 0), true });
        },
        failure);
}

bool readEntries(SqliteDatabase& database, std::vector<Entry>& entries, std::string& failure)
{
    return hasSchema(database, failure) && readEvents(database, entries, failure) && readTags(database, entries, failure);
}

// A tag's photos as a JSON array of photo ids: its list names photos as "thumb" and
// 16 hexadecimal digits (older libraries: plain decimal ids) and videos as
// "video-…", which are left out.
std::string photoIdArray(const std::string& list)
{
    std::string array = "[";
    std::stringstream items(list);
    for (std::string item; std::getline(items, item, ',');) {
        std::string_view digits = item;
        while (!digits.empty() && digits.front() == ' ')
            digits.remove_prefix(1);
        int base = 10;
        if (digits.starts_with("thumb")) {
            digits.remove_prefix(5);
            base = 16;
        }
        std::int64_t id = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), id, base);
        if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
            continue;
        array += (array.size() > 1 ? "," : "") + std::to_string(id);
    }
    return array + "]";
}

}

ShotwellLibrary::ShotwellLibrary(std::string databasePath)
    : mDatabasePath(std::move(databasePath))
{
}

PhotoLibraryRead ShotwellLibrary::albumNames() const
{
    std::string failure;
    auto database = SqliteDatabase::openReadOnly(mDatabasePath, failure);
    std::vector<Entry> entries;
    if (!database || !readEntries(*database, entries, failure))
        return { std::nullopt, "The Shotwell library " + mDatabasePath + " cannot be read: " + failure + "." };
    std::vector<std::string> names;
    names.reserve(entries.size());
    for (Entry& entry : entries)
        names.push_back(std::move(entry.name));
    return { std::move(names), {} };
}

PhotoLibraryRead ShotwellLibrary::picturePaths(const std::string& name) const
{
    std::string failure;
    auto database = SqliteDatabase::openReadOnly(mDatabasePath, failure);
    std::vector<Entry> entries;
    if (!database || !readEntries(*database, entries, failure))
        return { std::nullopt, "The Shotwell library " + mDatabasePath + " cannot be read: " + failure + "." };
    const auto entry = std::find_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.name == name; });
    if (entry == entries.end())
        return {};

    std::vector<std::string> paths;
    const auto addPath = [&](sqlite3_stmt* row) { paths.push_back(SqliteDatabase::text(row, 0)); };
    const char* const kept = "(coalesce(flags, 0) & ?2) = 0 AND coalesce(rating, 0) <> ?3 ORDER BY exposure_time, filename";
    bool read = false;
    if (entry->tag) {
        std::string list;
        read = database->query(
                   "SELECT photo_id_list FROM TagTable WHERE id = ?1", { entry->id }, [&](sqlite3_stmt* row) { list = SqliteDatabase::text(row, 0); }, failure)
            && database->query((std::string("SELECT filename FROM PhotoTable WHERE id IN (SELECT value FROM json_each(?1)) AND ") + kept).c_str(), { photoIdArray(list), kLeftOutFlags, kRejected }, addPath, failure);
    } else {
        read = database->query((std::string("SELECT filename FROM PhotoTable WHERE event_id = ?1 AND ") + kept).c_str(), { entry->id, kLeftOutFlags, kRejected }, addPath, failure);
    }
    if (!read)
        return { std::nullopt, "The Shotwell library " + mDatabasePath + " cannot be read: " + failure + "." };
    return { std::move(paths), {} };
}

std::optional<std::string> ShotwellLibrary::findDatabase()
{
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const std::string folder = dataHome && *dataHome ? dataHome : homeFolder() + "/.local/share";
    const std::string path = folder + "/shotwell/data/photo.db";
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return path;
}
