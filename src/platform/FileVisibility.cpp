// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileVisibility.h"

#include "platform/WholeFile.h"

#include <sys/stat.h>

namespace {

// A ".hidden" file is a short list of names; anything larger is not one, and
// reading it whole would let one odd file cost the start-up of the whole walk.
constexpr std::size_t kMaxHiddenFileSize = 1 << 20;

}

FileVisibility::HiddenNames FileVisibility::hiddenNames(const std::string& folder)
{
    HiddenNames names;
    const WholeFileLimits limits { .maxBytes = kMaxHiddenFileSize, .keepStartOfLarger = true, .followLinks = false };
    const std::string bytes = readWholeFile(folder + "/.hidden", limits).value_or(std::string());
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        if (end > start)
            names.emplace(bytes, start, end - start);
        start = end + 1;
    }
    return names;
}

bool FileVisibility::nameIsVisible(std::string_view name, const HiddenNames& hidden)
{
    if (name.empty() || name.front() == '.')
        return false;
    return hidden.empty() || !hidden.contains(name);
}

bool FileVisibility::fileIsVisible(const std::string& path)
{
    struct stat info { };
    if (path.empty() || ::lstat(path.c_str(), &info) != 0)
        return false;

    std::string_view whole = path;
    while (whole.size() > 1 && whole.back() == '/')
        whole.remove_suffix(1);
    const std::size_t slash = whole.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? whole : whole.substr(slash + 1);
    std::string folder;
    if (slash == std::string_view::npos)
        folder = ".";
    else if (slash == 0)
        folder = "/";
    else
        folder = std::string(whole.substr(0, slash));
    // The root folder is reachable and has no name that could hide it.
    if (whole == "/")
        return true;
    return nameIsVisible(name, hiddenNames(folder));
}
