// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/QueryScopes.h"

#include "platform/HomeFolder.h"
#include "platform/WholeInteger.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace {

std::string userName()
{
    if (const char* user = std::getenv("USER"); user && *user)
        return user;
    const passwd* entry = ::getpwuid(::getuid());
    return entry && entry->pw_name ? entry->pw_name : "";
}

// The path of a file URL (file:///a%20b or file://localhost/a%20b).
std::string urlPath(std::string_view url)
{
    url.remove_prefix(7);
    if (url.starts_with("localhost/"))
        url.remove_prefix(9);
    if (!url.starts_with('/'))
        return {};
    std::string path;
    for (std::size_t i = 0; i < url.size(); ++i) {
        if (url[i] == '%' && i + 2 < url.size() && hexDigitValue(url[i + 1]) >= 0 && hexDigitValue(url[i + 2]) >= 0) {
            path += static_cast<char>(hexDigitValue(url[i + 1]) * 16 + hexDigitValue(url[i + 2]));
            i += 2;
        } else {
            path += url[i];
        }
    }
    return path;
}

void addEntry(std::vector<std::string>& paths, const std::string& entry)
{
    if (entry == "kMDQueryScopeHome") {
        paths.push_back(homeFolder());
    } else if (entry == "kMDQueryScopeComputer") {
        paths.push_back(homeFolder());
        for (const std::string& volumes : { std::string("/media"), std::string("/mnt"), "/run/media/" + userName() })
            paths.push_back(volumes);
    } else if (entry.starts_with("file://")) {
        paths.push_back(urlPath(entry));
    } else if (entry == "~" || entry.starts_with("~/")) {
        paths.push_back(homeFolder() + entry.substr(1));
    } else if (entry.starts_with('/')) {
        paths.push_back(entry);
    }
}

bool isFolder(const std::string& path)
{
    struct stat info { };
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool inside(const std::string& path, const std::string& folder)
{
    return folder == "/" ? true : path.starts_with(folder) && path[folder.size()] == '/';
}

}

std::vector<std::string> QueryScopes::folders(const std::vector<std::string>& entries)
{
    std::vector<std::string> candidates;
    for (const std::string& entry : entries) {
        if (canNamePath(entry))
            addEntry(candidates, entry);
    }
    std::vector<std::string> folders;
    for (std::string& path : candidates) {
        while (path.size() > 1 && path.back() == '/')
            path.pop_back();
        if (path.empty() || !isFolder(path))
            continue;
        if (std::find(folders.begin(), folders.end(), path) == folders.end())
            folders.push_back(std::move(path));
    }
    // A folder inside another one in scope would be searched twice.
    std::vector<std::string> outermost;
    for (const std::string& path : folders) {
        if (std::none_of(folders.begin(), folders.end(), [&](const std::string& other) { return other.size() < path.size() && inside(path, other); }))
            outermost.push_back(path);
    }
    return outermost;
}

bool QueryScopes::canNamePath(const std::string& entry)
{
    if (entry.find('\0') != std::string::npos)
        return false;
    return !entry.starts_with("file://") || urlPath(entry).find('\0') == std::string::npos;
}
