// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/EmptyListReason.h"

#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"
#include "sources/AlbumData.h"
#include "sources/ImagePathList.h"
#include "sources/SavedSearch.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

namespace {

// A search that gives a query may still find nothing yet; only one that gives none,
// or one whose every scope was dropped, has a reason.
std::optional<std::string> savedSearchReason(const std::string& path)
{
    SavedSearch::Failure failure = SavedSearch::Failure::None;
    SavedSearch::queryForFile(path, &failure);
    switch (failure) {
    case SavedSearch::Failure::None:
        return std::nullopt;
    case SavedSearch::Failure::NoUsableScope:
        return "The saved search " + path + " has no search scope that names a path (each holds a NUL byte).";
    case SavedSearch::Failure::Unreadable:
        return "The saved search " + path + " cannot be read as a property list with a dictionary at its root.";
    case SavedSearch::Failure::NoRawQuery:
        return "The saved search " + path + " has no \"RawQuery\" string at its root.";
    default:
        return "The saved search " + path + " holds a query expression that is not well formed.";
    }
}

bool endsWith(const std::string& text, const std::string& suffix)
{
    return text.size() > suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The folder walk gives nothing for a folder it may not list, as for a missing one.
bool canList(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (dir)
        ::closedir(dir);
    return dir != nullptr;
}

std::optional<std::string> folderReason(const std::string& path, const std::string& what)
{
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0) {
        const int error = errno;
        if (error != ENOENT && error != ENOTDIR)
            return "The " + what + " " + path + " cannot be reached (" + std::strerror(error) + ").";
        // A path stored as typed keeps its '~': nothing expands it.
        const std::string hint = path.starts_with("~") ? " (write the full path: '~' is not expanded)" : "";
        return "The " + what + " " + path + " does not exist" + hint + ".";
    }
    if (S_ISDIR(info.st_mode)) {
        if (canList(path))
            return std::nullopt;
        const int error = errno;
        return "The " + what + " " + path + " cannot be read (" + std::strerror(error) + ").";
    }
    if (endsWith(path, ".savedSearch"))
        return savedSearchReason(path);
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
