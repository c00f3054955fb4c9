// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/AlbumData.h"

#include "platform/PropertyList.h"
#include "platform/ScreenSaverDefaults.h"
#include "sources/PlistXMLReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace {

constexpr std::string_view kListOfAlbums = "List of Albums";
constexpr std::string_view kAlbumName = "AlbumName";
constexpr std::string_view kKeyList = "KeyList";
constexpr std::string_view kMasterImageList = "Master Image List";
constexpr std::string_view kImagePath = "ImagePath";
constexpr std::string_view kRootDirectory = "RootDirectory";

// The bytes of a regular file, or nothing; O_NONBLOCK so that a pipe or device
// named in place of the file cannot hang the frame before fstat refuses it.
std::optional<std::string> readRegularFile(const std::string& path, std::size_t limit)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat info { };
    std::optional<std::string> bytes;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && static_cast<std::uint64_t>(info.st_size) <= limit) {
        bytes.emplace();
        bytes->resize(static_cast<std::size_t>(info.st_size));
        std::size_t done = 0;
        while (done < bytes->size()) {
            const ssize_t n = ::read(fd, bytes->data() + done, bytes->size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        // A file that shrank while being read is read as far as it went.
        bytes->resize(done);
    }
    ::close(fd);
    return bytes;
}

std::optional<PropertyValue> parseDocument(const std::string& bytes, const PlistXMLReader::KeepFilter& keep)
{
    if (bytes.starts_with("bplist"))
        return PropertyList::parse(bytes);
    return PlistXMLReader::parse(bytes, keep);
}

// Only the album names, the key lists and the image paths are kept: the rest of a
// record (captions, dates, thumbnails) is most of the file and nothing reads it.
bool keepAlbumPart(const PlistXMLReader::KeyPath& path)
{
    switch (path.size()) {
    case 1:
        return path[0] == kListOfAlbums || path[0] == kMasterImageList;
    case 2:
        return path[0] == kMasterImageList || path[1] == kAlbumName || path[1] == kKeyList;
    case 3:
        return path[0] == kMasterImageList && path[2] == kImagePath;
    default:
        return false;
    }
}

const PropertyArray* albumList(const PropertyValue& albumData)
{
    const PropertyValue* albums = albumData.find(kListOfAlbums);
    return albums ? albums->array() : nullptr;
}

}

std::optional<PropertyDictionary> AlbumData::persistentDomainForName(const std::string& domain)
{
    if (!ScreenSaverDefaults::isValidDomainName(domain))
        return std::nullopt;
    const std::string fileName = domain + ".plist";
    std::string path = ScreenSaverDefaults::preferencesFolder() + "/" + fileName;
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0) {
        const char* home = std::getenv("HOME");
        path = std::string(home ? home : "") + "/Library/Preferences/" + fileName;
    }
    const auto bytes = readRegularFile(path, kMaxFileSize);
    if (!bytes)
        return std::nullopt;
    auto value = parseDocument(*bytes, {});
    if (!value || !value->dictionary())
        return std::nullopt;
    return std::move(*std::get_if<PropertyDictionary>(&value->storage()));
}

std::optional<PropertyValue> AlbumData::iPhotoAlbumData()
{
    const auto preferences = persistentDomainForName(kPreferencesDomain);
    if (!preferences)
        return std::nullopt;
    const auto root = preferences->find(kRootDirectory);
    if (root == preferences->end() || !root->second.string())
        return std::nullopt;
    const std::string& folder = *root->second.string();
    // Appending a component keeps one separator between folder and name.
    const std::string path = !folder.empty() && folder.back() == '/' ? folder + kAlbumFileName : folder + "/" + kAlbumFileName;
    return albumDataAtPath(path);
}

std::optional<PropertyValue> AlbumData::albumDataAtPath(const std::string& path)
{
    const auto bytes = readRegularFile(path, kMaxFileSize);
    if (!bytes)
        return std::nullopt;
    auto value = parseDocument(*bytes, keepAlbumPart);
    if (!value || !value->dictionary())
        return std::nullopt;
    return value;
}

std::vector<std::string> AlbumData::iPhotoAlbumNames(const PropertyValue& albumData)
{
    std::vector<std::string> names;
    if (const PropertyArray* albums = albumList(albumData)) {
        for (const PropertyValue& album : *albums) {
            const PropertyValue* name = album.find(kAlbumName);
            if (name && name->string())
                names.push_back(*name->string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

const PropertyArray* AlbumData::iPhotoKeyListForAlbum(const PropertyValue& albumData, const std::string& name)
{
    const PropertyArray* albums = albumList(albumData);
    if (!albums)
        return nullptr;
    for (const PropertyValue& album : *albums) {
        const PropertyValue* albumName = album.find(kAlbumName);
        if (albumName && albumName->string() && *albumName->string() == name) {
            const PropertyValue* keys = album.find(kKeyList);
            return keys ? keys->array() : nullptr;
        }
    }
    return nullptr;
}

std::vector<std::string> AlbumData::imagePathsForKeys(const PropertyValue& albumData, const PropertyArray& keys)
{
    std::vector<std::string> paths;
    const PropertyValue* master = albumData.find(kMasterImageList);
    if (!master || !master->dictionary())
        return paths;
    paths.reserve(keys.size());
    for (const PropertyValue& key : keys) {
        if (!key.string())
            continue;
        const PropertyValue* record = master->find(*key.string());
        const PropertyValue* path = record ? record->find(kImagePath) : nullptr;
        if (path && path->string())
            paths.push_back(*path->string());
    }
    return paths;
}
