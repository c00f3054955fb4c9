// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/EmptyListReason.h"

#include "platform/PropertyList.h"
#include "platform/ScreenSaverDefaults.h"
#include "platform/SettingsKeys.h"
#include "sources/AlbumData.h"
#include "sources/ImagePathList.h"

#include <sys/stat.h>

namespace {

std::optional<std::string> defaultSavedSearchCheck(const std::string& path)
{
    const auto search = PropertyList::readFile(path);
    if (!search || !search->dictionary())
        return "The saved search " + path + " cannot be read.";
    return "The saved search " + path + " is ignored: there is no search service on this system.";
}

EmptyListReason::SavedSearchCheck& savedSearchCheck()
{
    static EmptyListReason::SavedSearchCheck check = defaultSavedSearchCheck;
    return check;
}

bool endsWith(const std::string& text, const std::string& suffix)
{
    return text.size() > suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::optional<std::string> folderReason(const std::string& path, const std::string& what)
{
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0) {
        // A path stored as typed keeps its '~': nothing expands it.
        const std::string hint = path.starts_with("~") ? " (write the full path: '~' is not expanded)" : "";
        return "The " + what + " " + path + " does not exist" + hint + ".";
    }
    if (S_ISDIR(info.st_mode))
        return std::nullopt;
    if (endsWith(path, ".savedSearch"))
        return savedSearchCheck() ? savedSearchCheck()(path) : std::nullopt;
    return "The " + what + " " + path + " is not a folder.";
}

std::optional<std::string> albumReason(ScreenSaverDefaults& defaults)
{
    const auto albumData = AlbumData::iPhotoAlbumData();
    if (!albumData)
        return std::string("The photo library is not found.");
    const auto name = defaults.objectForKey(SettingsKey::Album);
    const std::string album = name && name->string() ? *name->string() : "";
    if (!AlbumData::iPhotoKeyListForAlbum(*albumData, album))
        return "The album \"" + album + "\" is not found in the photo library.";
    return std::nullopt;
}

}

std::optional<std::string> EmptyListReason::find()
{
    auto& defaults = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
    switch (defaults.integerForKey(SettingsKey::Source)) {
    case ImagePathList::kSourceAlbum:
        return albumReason(defaults);
    case ImagePathList::kSourceFolder: {
        const auto folder = defaults.objectForKey(SettingsKey::ImageDir);
        if (!folder || !folder->string() || folder->string()->empty())
            return std::string("No picture folder is set (ImageDir).");
        return folderReason(*folder->string(), "picture folder");
    }
    case ImagePathList::kSourceArtwork:
        return folderReason(ImagePathList::albumArtworkFolder(), "album artwork folder");
    default:
        return "The picture source " + std::to_string(defaults.integerForKey(SettingsKey::Source)) + " is not one of 0, 1 and 2.";
    }
}

void EmptyListReason::setSavedSearchCheck(SavedSearchCheck check)
{
    savedSearchCheck() = std::move(check);
}
