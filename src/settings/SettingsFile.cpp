// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsFile.h"

#include "platform/WholeFile.h"
#include "settings/PropertyList.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The kernel's own limit on links followed in one lookup.
constexpr int kMaxLinks = 40;
constexpr int kMaxCorruptCopies = 1000;

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool isTemporaryName(std::string_view name, std::string_view stem)
{
    // mkstemp's six characters follow the mark.
    const std::size_t prefix = stem.size() + SettingsFile::kTemporaryMark.size();
    return name.size() == prefix + 6 && name.starts_with(stem) && name.substr(stem.size()).starts_with(SettingsFile::kTemporaryMark);
}

}

SettingsFile::Contents SettingsFile::read(const std::string& path)
{
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0)
        return errno == ENOENT ? Contents {} : Contents { State::Unreadable, {}, std::string(kCannotBeRead) };
    if (!S_ISREG(info.st_mode))
        return { State::Unreadable, {}, "is not a regular file" };
    if (static_cast<std::uint64_t>(info.st_size) > kMaxBytes)
        return { State::Damaged, {}, "is larger than 4 MiB" };
    // The file may change between the look and the read; the read checks again.
    const auto bytes = readWholeFile(path, { .maxBytes = kMaxBytes });
    if (!bytes)
        return { State::Unreadable, {}, std::string(kCannotBeRead) };
    auto value = PropertyList::parse(*bytes);
    if (!value || !value->dictionary())
        return { State::Damaged, {}, "could not be parsed" };
    return { State::Read, std::move(*std::get_if<PropertyDictionary>(&value->storage())), {} };
}

std::optional<std::string> SettingsFile::writeTarget(const std::string& path)
{
    std::string target = path;
    for (int links = 0; links <= kMaxLinks; ++links) {
        struct stat info { };
        if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return target;
        std::error_code error;
        const std::filesystem::path next = std::filesystem::read_symlink(target, error);
        if (error || next.empty())
            return std::nullopt;
        target = next.is_absolute() ? next.string() : folderOf(target) + "/" + next.string();
    }
    return std::nullopt;
}

std::optional<std::string> SettingsFile::moveAside(const std::string& target)
{
    // The caller holds the domain's lock, so no other writer takes the name between
    // the look and the rename.
    for (int copy = 1; copy <= kMaxCorruptCopies; ++copy) {
        const std::string aside = target + ".corrupt" + (copy == 1 ? "" : "." + std::to_string(copy));
        struct stat info { };
        if (::lstat(aside.c_str(), &info) == 0)
            continue;
        if (errno != ENOENT || std::rename(target.c_str(), aside.c_str()) != 0)
            return std::nullopt;
        return aside;
    }
    return std::nullopt;
}

void SettingsFile::removeStaleTemporaries(const std::string& target)
{
    const std::string folder = folderOf(target);
    const std::string stem = target.substr(target.rfind('/') + 1);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        if (isTemporaryName(entry->d_name, stem))
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

bool SettingsFile::replace(const std::string& target, std::string_view bytes)
{
    std::string temporary = target + std::string(kTemporaryMark) + "XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, bytes) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || std::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    const int dir = ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}
