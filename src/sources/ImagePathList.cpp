// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/ImagePathList.h"

#include "platform/FolderWalk.h"
#include "platform/HomeFolder.h"
#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"
#include "sources/AlbumData.h"
#include "sources/PhotoLibraries.h"
#include "sources/SavedSearch.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <mutex>
#include <sys/stat.h>

namespace {

constexpr std::string_view kSavedSearchExtension = "savedSearch";

std::mutex gLastWhyEmptyLock;
std::optional<std::string> gLastWhyEmpty;

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

ImagePathList::Listing none(std::string why)
{
    return { {}, std::move(why) };
}

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

// The walk gives nothing for a folder it may not list, as for an empty one; errno
// says which after a false.
bool canList(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (dir)
        ::closedir(dir);
    return dir != nullptr;
}

}

ImagePathList::Listing ImagePathList::listImagePaths(const LiveQueryStarter& initiateLiveQuery)
{
    auto& defaults = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
    const auto source = defaults.integerForKey(SettingsKey::Source);
    switch (source) {
    case kSourceAlbum:
        return albumPaths();
    case kSourceFolder: {
        const auto folder = defaults.objectForKey(SettingsKey::ImageDir);
        if (!folder || !folder->string() || folder->string()->empty())
            return none("No picture folder is set (ImageDir).");
        return folderPaths(*folder->string(), "picture folder", defaults.boolForKey(SettingsKey::SubDirs), initiateLiveQuery);
    }
    case kSourceArtwork:
        return folderPaths(albumArtworkFolder(), "album artwork folder", true, nullptr);
    default:
        return none("The picture source " + std::to_string(source) + " is not one of 0, 1 and 2.");
    }
}

std::vector<std::string> ImagePathList::loadImagePaths(const LiveQueryStarter& initiateLiveQuery)
{
    Listing listing = listImagePaths(initiateLiveQuery);
    const std::scoped_lock lock(gLastWhyEmptyLock);
    gLastWhyEmpty = std::move(listing.whyEmpty);
    return std::move(listing.paths);
}

std::optional<std::string> ImagePathList::lastWhyEmpty()
{
    const std::scoped_lock lock(gLastWhyEmptyLock);
    return gLastWhyEmpty;
}

std::optional<ImagePathList::FolderChoice> ImagePathList::folderInForce()
{
    auto& defaults = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
    const auto folder = defaults.objectForKey(SettingsKey::ImageDir);
    if (!folder || !folder->string())
        return std::nullopt;
    FolderChoice choice { *folder->string(), {} };
    switch (defaults.layerForKey(SettingsKey::ImageDir)) {
    case ScreenSaverDefaults::Layer::Argument:
        choice.why = "given on the command line";
        break;
    case ScreenSaverDefaults::Layer::Stored:
        choice.why = "stored in the settings";
        break;
    case ScreenSaverDefaults::Layer::Host:
        choice.why = "xscreensaver's image folder (imageDirectory in ~/.xscreensaver), as none is stored";
        break;
    default:
        choice.why = choice.folder == userDirsPicturesFolder() ? "the XDG pictures folder (XDG_PICTURES_DIR in user-dirs.dirs), as none is stored"
                                                               : "the default, as none is stored";
    }
    return choice;
}

std::string ImagePathList::albumArtworkFolder()
{
    return homeFolder() + "/Music/iTunes/Album Artwork";
}

ImagePathList::Listing ImagePathList::albumPaths()
{
    const auto name = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName).objectForKey(SettingsKey::Album);
    const std::string album = name && name->string() ? *name->string() : "";
    const auto albumData = AlbumData::iPhotoAlbumData();
    if (!albumData && PhotoLibraries::found())
        return linuxLibraryPaths(name && name->string() ? std::optional(album) : std::nullopt);
    if (!albumData)
        return none("The photo library is not found.");
    const PropertyArray* keys = name && name->string() ? AlbumData::iPhotoKeyListForAlbum(*albumData, album) : nullptr;
    if (!keys)
        return none("The album \"" + album + "\" is not found in the photo library.");
    Listing listing { AlbumData::imagePathsForKeys(*albumData, *keys), std::nullopt };
    if (listing.paths.empty())
        listing.whyEmpty = "The album \"" + album + "\" holds no pictures.";
    return listing;
}

// Without the photo library, digiKam's and Shotwell's stand in for it, with reasons
// of their own (a library that cannot be read, a collection not mounted).
ImagePathList::Listing ImagePathList::linuxLibraryPaths(const std::optional<std::string>& album)
{
    Listing listing;
    // The album file has been looked for already: the libraries are read directly.
    if (const auto albumData = album ? PhotoLibraries::albumData(*album) : std::nullopt) {
        if (const PropertyArray* keys = AlbumData::iPhotoKeyListForAlbum(*albumData, *album))
            listing.paths = AlbumData::imagePathsForKeys(*albumData, *keys);
    }
    if (listing.paths.empty())
        listing.whyEmpty = PhotoLibraries::emptyAlbumReason(album.value_or(""))
                               .value_or("The album \"" + album.value_or("") + "\" holds no pictures.");
    return listing;
}

ImagePathList::Listing ImagePathList::folderPaths(const std::string& path, const std::string& what, bool subfolders, const LiveQueryStarter& initiateLiveQuery)
{
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0) {
        const int error = errno;
        if (error != ENOENT && error != ENOTDIR)
            return none("The " + what + " " + path + " cannot be reached (" + std::strerror(error) + ").");
        // A path stored as typed keeps its '~': nothing expands it.
        const std::string hint = path.starts_with("~") ? " (write the full path: '~' is not expanded)" : "";
        return none("The " + what + " " + path + " does not exist" + hint + ".");
    }
    if (!S_ISDIR(info.st_mode)) {
        if (pathExtension(path) != kSavedSearchExtension)
            return none("The " + what + " " + path + " is not a folder.");
        // No starter means no query facility on this system: the search is ignored.
        if (initiateLiveQuery)
            initiateLiveQuery(path);
        return { {}, savedSearchReason(path) };
    }
    Listing listing { FolderWalk::visibleRegularFiles(path, subfolders), std::nullopt };
    if (!listing.paths.empty())
        return listing;
    if (!canList(path)) {
        const int error = errno;
        return none("The " + what + " " + path + " cannot be read (" + std::strerror(error) + ").");
    }
    const std::string hint = subfolders ? "" : " (SubDirs is off: its subfolders are not searched)";
    return none("The " + what + " " + path + " holds no pictures" + hint + ".");
}
