// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/PhotoLibraries.h"

#include "sources/DigikamLibrary.h"
#include "sources/ShotwellLibrary.h"

#include <functional>

namespace {

// One library found: what it is called, where, and its two reads.
struct Library {
    std::string kind;
    std::string path;
    std::string prefix;
    std::function<PhotoLibraryRead()> names;
    std::function<PhotoLibraryRead(const std::string&)> paths;
};

std::vector<Library> foundLibraries()
{
    std::vector<Library> libraries;
    if (auto path = DigikamLibrary::findDatabase()) {
        DigikamLibrary library(*path);
        libraries.push_back({ "digiKam", *path, PhotoLibraries::kDigikamPrefix, [library] { return library.albumNames(); }, [library](const std::string& name) { return library.picturePaths(name); } });
    }
    if (auto path = ShotwellLibrary::findDatabase()) {
        ShotwellLibrary library(*path);
        libraries.push_back({ "Shotwell", *path, PhotoLibraries::kShotwellPrefix, [library] { return library.albumNames(); }, [library](const std::string& name) { return library.picturePaths(name); } });
    }
    // One library's names are shown as its program shows them.
    if (libraries.size() == 1)
        libraries.front().prefix.clear();
    return libraries;
}

// The library an album name belongs to, and the name within it.
std::optional<std::pair<const Library*, std::string>> owner(const std::vector<Library>& libraries, const std::string& name)
{
    for (const Library& library : libraries) {
        if (name.starts_with(library.prefix))
            return std::pair { &library, name.substr(library.prefix.size()) };
    }
    return std::nullopt;
}

PropertyDictionary album(const std::string& name)
{
    return { { "AlbumName", PropertyValue(name) } };
}

PropertyValue albumFile(PropertyArray albums, PropertyDictionary images)
{
    return PropertyValue(PropertyDictionary {
        { "List of Albums", PropertyValue(std::move(albums)) },
        { "Master Image List", PropertyValue(std::move(images)) },
    });
}

}

bool PhotoLibraries::found()
{
    return !foundLibraries().empty();
}

std::optional<PropertyValue> PhotoLibraries::albumNamesData()
{
    bool read = false;
    PropertyArray albums;
    for (const Library& library : foundLibraries()) {
        const PhotoLibraryRead names = library.names();
        if (!names.items)
            continue;
        read = true;
        for (const std::string& name : *names.items)
            albums.emplace_back(album(library.prefix + name));
    }
    if (!read)
        return std::nullopt;
    return albumFile(std::move(albums), {});
}

std::optional<PropertyValue> PhotoLibraries::albumData(const std::string& name)
{
    const auto libraries = foundLibraries();
    if (libraries.empty())
        return std::nullopt;
    const auto found = owner(libraries, name);
    if (!found)
        return albumFile({}, {});
    PhotoLibraryRead paths = found->first->paths(found->second);
    if (!paths.items)
        return paths.reason.empty() ? std::optional(albumFile({}, {})) : std::nullopt;
    PropertyArray keys;
    PropertyDictionary images;
    keys.reserve(paths.items->size());
    // Keys of one width sort in the order they are made, so each goes in at the end.
    const std::size_t width = std::to_string(paths.items->size()).size();
    for (std::string& path : *paths.items) {
        std::string key = std::to_string(keys.size());
        key.insert(0, width - key.size(), '0');
        images.emplace_hint(images.end(), key, PropertyValue(PropertyDictionary { { "ImagePath", PropertyValue(std::move(path)) } }));
        keys.emplace_back(std::move(key));
    }
    PropertyDictionary entry = album(name);
    entry.emplace("KeyList", PropertyValue(std::move(keys)));
    return albumFile({ PropertyValue(std::move(entry)) }, std::move(images));
}

std::optional<std::string> PhotoLibraries::emptyAlbumReason(const std::string& name)
{
    const auto libraries = foundLibraries();
    if (libraries.empty())
        return std::nullopt;
    const auto found = owner(libraries, name);
    if (found) {
        const PhotoLibraryRead paths = found->first->paths(found->second);
        if (!paths.reason.empty())
            return paths.reason;
        if (paths.items)
            return std::nullopt;
    }
    std::string where;
    for (const Library& library : libraries)
        where += (where.empty() ? "the " : " or the ") + library.kind + " library " + library.path;
    return "The album \"" + name + "\" is not found in " + where + " (skyvanes --list-albums lists the names).";
}

std::optional<std::string> PhotoLibraries::noNamesReason()
{
    const auto libraries = foundLibraries();
    if (libraries.empty())
        return std::nullopt;
    std::string reasons;
    for (const Library& library : libraries) {
        const PhotoLibraryRead names = library.names();
        if (names.items)
            return std::nullopt;
        reasons += (reasons.empty() ? "" : " ") + names.reason;
    }
    return reasons;
}

std::optional<std::string> PhotoLibraries::sourceNote(const std::string& name)
{
    const auto libraries = foundLibraries();
    if (libraries.empty())
        return std::nullopt;
    const auto found = owner(libraries, name);
    std::string which;
    for (const Library& library : libraries) {
        if (!found || found->first == &library)
            which += (which.empty() ? "the " : " and the ") + library.kind + " library " + library.path;
    }
    return "Album source: " + which;
}
