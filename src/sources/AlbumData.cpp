// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/AlbumData.h"

#include "platform/HomeFolder.h"
#include "platform/WholeFile.h"
#include "settings/PropertyList.h"
#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"
#include "sources/ImagePathList.h"
#include "sources/PhotoLibraries.h"
#include "sources/PlistXMLReader.h"

#include <sys/stat.h>

#include <algorithm>

namespace {

constexpr std::string_view kListOfAlbums = "List of Albums";
constexpr std::string_view kAlbumName = "AlbumName";
constexpr std::string_view kKeyList = "KeyList";
constexpr std::string_view kMasterImageList = "Master Image List";
constexpr std::string_view kImagePath = "ImagePath";
constexpr std::string_view kRootDirectory = "RootDirectory";

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
        path = homeFolder() + "/Library/Preferences/" + fileName;
    }
    const auto bytes = readWholeFile(path, { .maxBytes = kMaxFileSize });
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

std::optional<PropertyValue> AlbumData::albumDataForNames()
{
    if (auto albumData = iPhotoAlbumData())
        return albumData;
    return PhotoLibraries::albumNamesData();
}

std::optional<PropertyValue> AlbumData::albumDataForAlbum(const std::string& name)
{
    if (auto albumData = iPhotoAlbumData())
        return albumData;
    return PhotoLibraries::albumData(name);
}

std::optional<std::string> AlbumData::linuxLibraryNote()
{
    auto& defaults = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
    // The album file is looked at last: it can take a while to read.
    if (defaults.integerForKey(SettingsKey::Source) != ImagePathList::kSourceAlbum || !PhotoLibraries::found() || iPhotoAlbumData())
        return std::nullopt;
    const auto name = defaults.objectForKey(SettingsKey::Album);
    return PhotoLibraries::sourceNote(name && name->string() ? *name->string() : "");
}

std::optional<PropertyValue> AlbumData::albumDataAtPath(const std::string& path)
{
    const auto bytes = readWholeFile(path, { .maxBytes = kMaxFileSize });
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
