// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/DigikamLibrary.h"

#include "platform/HomeFolder.h"
#include "sources/SqliteDatabase.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace {

// Values digiKam keeps constant across versions.
constexpr std::int64_t kStatusVisible = 1;
constexpr std::int64_t kCategoryImage = 1;
constexpr const char* kInternalTagProperty = "internalTag";

// The tables and columns read; a database lacking any is refused whatever its version says.
bool hasSchema(SqliteDatabase& database, std::string& failure)
{
    return database.hasTables({ { "AlbumRoots", { "id", "label", "identifier", "specificPath" } },
                                  { "Albums", { "id", "albumRoot", "relativePath" } },
                                  { "Images", { "id", "album", "name", "status", "category" } },
                                  { "ImageInformation", { "imageid", "creationDate" } },
                                  { "Tags", { "id", "pid", "name" } },
                                  { "ImageTags", { "imageid", "tagid" } },
                                  { "TagProperties", { "tagid", "property" } } },
        failure);
}

// An album or a tag as the pop-up names it.
struct Entry {
    std::string name;
    std::int64_t id;
    bool tag;
};

bool readAlbums(SqliteDatabase& database, std::vector<Entry>& entries, std::string& failure)
{
    std::int64_t roots = 0;
    if (!database.query(
            "SELECT count(*) FROM AlbumRoots", {}, [&](sqlite3_stmt* row) { roots = sqlite3_column_int64(row, 0); }, failure))
        return false;
    // Albums are shown below their collection's label: with one collection the label
    // only names its top album, with several it keeps equal paths apart.
    return database.query(
        "SELECT Albums.id, Albums.relativePath, AlbumRoots.label, AlbumRoots.id FROM Albums JOIN AlbumRoots ON AlbumRoots.id = Albums.albumRoot ORDER BY Albums.id", {}, [&](sqlite3_stmt* row) {
            std::string path = SqliteDatabase::text(row, 1);
            std::string label = SqliteDatabase::text(row, 2);
            if (label.empty())
                label = "Collection " + std::to_string(sqlite3_column_int64(row, 3));
            while (path.starts_with('/'))
                path.erase(0, 1);
            std::string name = path.empty() ? label : roots > 1 ? label + "/" + path
                                                                : path;
            entries.push_back({ std::move(name), sqlite3_column_int64(row, 0), false });
        },
        failure);
}

bool readTags(SqliteDatabase& database, std::vector<Entry>& entries, std::string& failure)
{
    struct Tag {
        std::int64_t parent;
        std::string name;
    };
    std::map<std::int64_t, Tag> tags;
    std::set<std::int64_t> internal;
    if (!database.query(
            "SELECT id, pid, name FROM Tags ORDER BY id", {}, [&](sqlite3_stmt* row) { tags[sqlite3_column_int64(row, 0)] = { sqlite3_column_int64(row, 1), SqliteDatabase::text(row, 2) }; }, failure))
        return false;
    if (!database.query(
            "SELECT tagid FROM TagProperties WHERE property = ?1", { std::string(kInternalTagProperty) }, [&](sqlite3_stmt* row) { internal.insert(sqlite3_column_int64(row, 0)); }, failure))
        return false;
    for (const auto& [id, tag] : tags) {
        std::string name = tag.name;
        bool hidden = internal.contains(id);
        // A parent chain longer than the table is a loop: such a tag is left out.
        std::size_t depth = 0;
        for (auto parent = tags.find(tag.parent); parent != tags.end() && !hidden; parent = tags.find(parent->second.parent)) {
            if (++depth > tags.size())
                hidden = true;
            hidden = hidden || internal.contains(parent->first);
            name.insert(0, 1, '/');
            name.insert(0, parent->second.name);
        }
        if (!hidden)
            entries.push_back({ "Tag: " + name, id, true });
    }
    return true;
}

std::string percentDecoded(std::string_view text)
{
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) && std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            decoded += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

// The value of key in an identifier such as "volumeid:?uuid=…&fileuuid=…".
std::optional<std::string> identifierValue(const std::string& identifier, std::string_view key)
{
    const std::size_t query = identifier.find('?');
    if (query == std::string::npos)
        return std::nullopt;
    std::stringstream parts(identifier.substr(query + 1));
    std::string part;
    while (std::getline(parts, part, '&')) {
        const std::size_t equals = part.find('=');
        if (equals != std::string::npos && std::string_view(part).substr(0, equals) == key)
            return percentDecoded(std::string_view(part).substr(equals + 1));
    }
    return std::nullopt;
}

// The kernel writes a space, tab, newline and backslash in a mount point as \ooo.
std::string unescapedMountField(const std::string& field)
{
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && std::isdigit(static_cast<unsigned char>(field[i + 1]))) {
            text += static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

std::string joined(std::string folder, const std::string& relative)
{
    while (folder.size() > 1 && folder.ends_with('/'))
        folder.pop_back();
    if (relative.empty() || relative == "/")
        return folder;
    return folder == "/" ? relative : folder + (relative.starts_with('/') ? "" : "/") + relative;
}

// A collection's folder, or nothing with the reason it cannot be reached.
struct Root {
    std::optional<std::string> folder;
    std::string label;
    std::string volume;
};

}

DigikamLibrary::DigikamLibrary(std::string databasePath, std::string mountInfo, std::string volumesByUuid)
    : mDatabasePath(std::move(databasePath))
    , mMountInfo(std::move(mountInfo))
    , mVolumesByUuid(std::move(volumesByUuid))
{
}

PhotoLibraryRead DigikamLibrary::albumNames() const
{
    std::string failure;
    auto database = SqliteDatabase::openReadOnly(mDatabasePath, failure);
    std::vector<Entry> entries;
    if (!database || !hasSchema(*database, failure) || !readAlbums(*database, entries, failure) || !readTags(*database, entries, failure))
        return { std::nullopt, "The digiKam library " + mDatabasePath + " cannot be read: " + failure + "." };
    std::vector<std::string> names;
    names.reserve(entries.size());
    for (Entry& entry : entries)
        names.push_back(std::move(entry.name));
    return { std::move(names), {} };
}

PhotoLibraryRead DigikamLibrary::picturePaths(const std::string& name) const
{
    std::string failure;
    auto database = SqliteDatabase::openReadOnly(mDatabasePath, failure);
    std::vector<Entry> entries;
    if (!database || !hasSchema(*database, failure) || !readAlbums(*database, entries, failure) || !readTags(*database, entries, failure))
        return { std::nullopt, "The digiKam library " + mDatabasePath + " cannot be read: " + failure + "." };
    const auto entry = std::find_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.name == name; });
    if (entry == entries.end())
        return {};

    std::map<std::int64_t, Root> roots;
    const bool rootsRead = database->query(
        "SELECT id, identifier, specificPath, label FROM AlbumRoots", {}, [&](sqlite3_stmt* row) {
            const std::string identifier = SqliteDatabase::text(row, 1);
            Root root { std::nullopt, SqliteDatabase::text(row, 3), {} };
            if (auto uuid = identifierValue(identifier, "uuid")) {
                root.volume = *uuid;
                if (auto mountPoint = mountPointOfVolume(*uuid))
                    root.folder = joined(*mountPoint, SqliteDatabase::text(row, 2));
            } else if (auto path = identifierValue(identifier, "path")) {
                root.folder = joined(*path, SqliteDatabase::text(row, 2));
            } else if (auto share = identifierValue(identifier, "mountpath")) {
                root.folder = joined(*share, SqliteDatabase::text(row, 2));
            }
            roots[sqlite3_column_int64(row, 0)] = std::move(root);
        },
        failure);
    if (!rootsRead)
        return { std::nullopt, "The digiKam library " + mDatabasePath + " cannot be read: " + failure + "." };

    const char* const byAlbum = "SELECT Albums.albumRoot, Albums.relativePath, Images.name FROM Images JOIN Albums ON Albums.id = Images.album "
                                "LEFT JOIN ImageInformation ON ImageInformation.imageid = Images.id "
                                "WHERE Images.album = ?1 AND Images.status = ?2 AND Images.category = ?3 "
                                "ORDER BY ImageInformation.creationDate, Images.name";
    const char* const byTag = "SELECT Albums.albumRoot, Albums.relativePath, Images.name FROM ImageTags JOIN Images ON Images.id = ImageTags.imageid "
                              "JOIN Albums ON Albums.id = Images.album LEFT JOIN ImageInformation ON ImageInformation.imageid = Images.id "
                              "WHERE ImageTags.tagid = ?1 AND Images.status = ?2 AND Images.category = ?3 "
                              "ORDER BY ImageInformation.creationDate, Images.name";
    std::vector<std::string> paths;
    std::set<std::int64_t> unmounted;
    const bool read = database->query(
        entry->tag ? byTag : byAlbum, { entry->id, kStatusVisible, kCategoryImage }, [&](sqlite3_stmt* row) {
            const std::int64_t rootId = sqlite3_column_int64(row, 0);
            const auto root = roots.find(rootId);
            if (root == roots.end())
                return;
            if (!root->second.folder) {
                unmounted.insert(rootId);
                return;
            }
            paths.push_back(joined(joined(*root->second.folder, SqliteDatabase::text(row, 1)), SqliteDatabase::text(row, 2)));
        },
        failure);
    if (!read)
        return { std::nullopt, "The digiKam library " + mDatabasePath + " cannot be read: " + failure + "." };
    std::string reason;
    for (const std::int64_t rootId : unmounted) {
        const Root& root = roots[rootId];
        const std::string volume = root.volume.empty() ? "" : " (volume " + root.volume + ")";
        reason += (reason.empty() ? "" : " ") + ("The digiKam collection \"" + root.label + "\"" + volume + " is not mounted: its pictures are left out.");
    }
    return { std::move(paths), std::move(reason) };
}

std::optional<std::string> DigikamLibrary::mountPointOfVolume(const std::string& uuid) const
{
    // digiKam may write the UUID in another case than the links are named.
    std::string lower = uuid;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::error_code error;
    std::filesystem::path device;
    for (const std::string& candidate : { uuid, lower }) {
        if (candidate.find('/') != std::string::npos)
            return std::nullopt;
        const std::filesystem::path link = std::filesystem::path(mVolumesByUuid) / candidate;
        const std::filesystem::path target = std::filesystem::read_symlink(link, error);
        if (!error) {
            device = (target.is_absolute() ? target : link.parent_path() / target).lexically_normal();
            break;
        }
    }
    if (device.empty())
        return std::nullopt;
    // Fields: id, parent, major:minor, root, mount point, options, optional fields, "-", type, source, super options.
    std::ifstream table(mMountInfo);
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::vector<std::string> field;
        for (std::string word; fields >> word;)
            field.push_back(word);
        const auto separator = std::find(field.begin(), field.end(), "-");
        if (field.size() < 5 || separator == field.end() || std::distance(separator, field.end()) < 3)
            continue;
        // A bind mount of a folder inside the volume does not show the volume's top.
        if (field[3] == "/" && unescapedMountField(*(separator + 2)) == device.string())
            return unescapedMountField(field[4]);
    }
    return std::nullopt;
}

std::optional<std::string> DigikamLibrary::findDatabase()
{
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    const std::string configFolder = configHome && *configHome ? configHome : homeFolder() + "/.config";
    std::string folder = homeFolder() + "/Pictures";
    std::ifstream settings(configFolder + "/digikamrc");
    std::string group;
    std::string line;
    while (std::getline(settings, line)) {
        if (line.starts_with('[')) {
            group = line;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        std::string key = line.substr(0, equals);
        std::string value = line.substr(equals + 1);
        // "Key[$e]=" asks for environment variables to be expanded; $HOME is the one digiKam writes.
        const bool expand = key.ends_with("[$e]");
        if (expand)
            key.erase(key.size() - 4);
        if (expand && value.starts_with("$HOME"))
            value = homeFolder() + value.substr(5);
        if (group == "[Database Settings]" && key == "Database Type" && value != "QSQLITE")
            return std::nullopt;
        if ((group == "[Database Settings]" && key == "Database Name") || (group == "[Album Settings]" && key == "Database File Path"))
            folder = value;
    }
    const std::string path = joined(folder, kDatabaseName);
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return path;
}
