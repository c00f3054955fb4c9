// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/ImagePathList.h"

#include "platform/HomeFolder.h"
#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"
#include "sources/AlbumData.h"
#include "platform/FolderWalk.h"

#include <sys/stat.h>

namespace {

constexpr std::string_view kSavedSearchExtension = "savedSearch";

// The text after the last dot of the last component; none for a name that only
// starts with a dot.
std::string_view pathExtension(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return {};
    return name.substr(dot + 1);
}

}

std::vector<std::string> ImagePathList::loadImagePaths(const LiveQueryStarter& initiateLiveQuery)
{
    auto& defaults = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
    switch (defaults.integerForKey(SettingsKey::Source)) {
    case kSourceAlbum:
        return albumPaths();
    case kSourceFolder:
        return folderPaths(initiateLiveQuery);
    case kSourceArtwork:
        return FolderWalk::visibleRegularFiles(albumArtworkFolder(), true);
    default:
        return {};
    }
}

std::string ImagePathList::albumArtworkFolder()
{
    return homeFolder() + "/Music/iTunes/Album Artwork";
}

std::vector<std::string> ImagePathList::albumPaths()
{
    const auto name = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName).objectForKey(SettingsKey::Album);
    if (!name || !name->string())
        return {};
    const auto albumData = AlbumData::albumDataForAlbum(*name->string());
    if (!albumData)
        return {};
    const PropertyArray* keys = AlbumData::iPhotoKeyListForAlbum(*albumData, *name->string());
    if (!keys)
        return {};
    return AlbumData::imagePathsForKeys(*albumData, *keys);
}

std::vector<std::string> ImagePathList::folderPaths(const LiveQueryStarter& initiateLiveQuery)
{
    auto& defaults = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
    const auto folder = defaults.objectForKey(SettingsKey::ImageDir);
    if (!folder || !folder->string() || folder->string()->empty())
        return {};
    const std::string& path = *folder->string();

    struct stat info { };
    if (::stat(path.c_str(), &info) != 0)
        return {};
    if (!S_ISDIR(info.st_mode)) {
        // No starter means no query facility on this system: the search is ignored.
        if (pathExtension(path) == kSavedSearchExtension && initiateLiveQuery)
            initiateLiveQuery(path);
        return {};
    }
    return FolderWalk::visibleRegularFiles(path, defaults.boolForKey(SettingsKey::SubDirs));
}
