// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/HomeFolder.h"

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>

namespace {

constexpr const char* kBlanks = " \t\r";

std::string withoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// The shell-quoted value of a user-dirs line: "$HOME/yyy" or "/yyy", backslash
// escapes taken literally; nothing for any other form.
std::optional<std::string> userDirsValue(const std::string& quoted)
{
    if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"')
        return std::nullopt;
    std::string value;
    for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
        if (quoted[i] == '\\' && i + 2 < quoted.size())
            ++i;
        value += quoted[i];
    }
    if (value == "$HOME" || value.starts_with("$HOME/"))
        return homeFolder() + value.substr(5);
    if (value.starts_with('/'))
        return value;
    return std::nullopt;
}

}

std::string homeFolder()
{
    const char* home = std::getenv("HOME");
    return home ? home : "";
}

std::optional<std::string> userDirsPicturesFolder()
{
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    const std::string folder = configHome && *configHome ? configHome : homeFolder() + "/.config";
    std::ifstream file(folder + "/user-dirs.dirs");
    std::optional<std::string> pictures;
    for (std::string line; std::getline(file, line);) {
        line = trimmed(line);
        if (!line.starts_with("XDG_PICTURES_DIR="))
            continue;
        // As the shell that reads the file would, the last assignment counts.
        pictures = userDirsValue(trimmed(line.substr(17)));
    }
    if (!pictures)
        return std::nullopt;
    std::string path = withoutTrailingSlashes(*pictures);
    if (path == withoutTrailingSlashes(homeFolder()))
        return std::nullopt;
    return path;
}

std::optional<std::string> xscreensaverImageFolder()
{
    std::ifstream file(homeFolder() + "/.xscreensaver");
    std::optional<std::string> folder;
    for (std::string line; std::getline(file, line);) {
        line = trimmed(line);
        if (line.starts_with("imageDirectory:"))
            folder = trimmed(line.substr(15));
    }
    if (!folder || folder->empty() || folder->find("://") != std::string::npos)
        return std::nullopt;
    if (folder->starts_with("~/"))
        folder = homeFolder() + folder->substr(1);
    struct stat info { };
    if (::stat(folder->c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return std::nullopt;
    return withoutTrailingSlashes(*folder);
}
