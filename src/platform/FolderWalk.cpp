// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FolderWalk.h"

#include "platform/FileVisibility.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <optional>
#include <string_view>

namespace {

enum class Kind {
    File,
    Folder,
    Other
};

// A folder's entries, their names one after another in one string: a folder of
// many files then costs two allocations, and sorting moves small records.
struct Entry {
    std::uint64_t key; // see sortKey
    std::uint32_t offset;
    std::uint32_t length;
    Kind kind;
};

struct Listing {
    std::string names;
    std::vector<Entry> entries;
    bool hasHiddenList { false }; // a ".hidden" among them: only then is it read
    std::string_view name(const Entry& entry) const { return std::string_view(names).substr(entry.offset, entry.length); }
};

Kind kindOfPath(const std::string& path, unsigned char type)
{
    struct stat info { };
    switch (type) {
    case DT_REG:
        return Kind::File;
    case DT_DIR:
        return Kind::Folder;
    case DT_LNK:
        // A link counts only when it leads to a regular file; its target folder is
        // never entered.
        return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) ? Kind::File : Kind::Other;
    case DT_UNKNOWN:
        if (::lstat(path.c_str(), &info) != 0)
            return Kind::Other;
        if (S_ISDIR(info.st_mode))
            return Kind::Folder;
        if (S_ISLNK(info.st_mode))
            return kindOfPath(path, DT_LNK);
        return S_ISREG(info.st_mode) ? Kind::File : Kind::Other;
    default:
        return Kind::Other;
    }
}

// The type from the listing spares a stat per entry, which is most of a walk's
// cost on a warm cache; only links (and file systems that do not fill d_type)
// need one.
Kind kindOf(const std::string& folder, const char* name, unsigned char type)
{
    if (type == DT_REG)
        return Kind::File;
    if (type == DT_DIR)
        return Kind::Folder;
    return kindOfPath(FolderWalk::joined(folder, name), type);
}

std::uint64_t sortKey(std::string_view name);
int naturalCompare(std::string_view a, std::string_view b);

// The folder's entries in a file manager's order, or nothing when it cannot be read.
// Read with getdents64 rather than opendir, which would also stat the folder and
// take a buffer from the heap for each folder of a walk; the listing reuses the
// room of one from spare, a folder already finished.
std::optional<Listing> readFolder(const std::string& folder, std::vector<Listing>& spare)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_NONBLOCK | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    Listing listing;
    if (!spare.empty()) {
        listing = std::move(spare.back());
        spare.pop_back();
        listing.names.clear();
        listing.entries.clear();
        listing.hasHiddenList = false;
    }
    alignas(dirent64) char buffer[32768];
    for (;;) {
        const ssize_t length = ::getdents64(fd, buffer, sizeof buffer);
        if (length < 0 && errno == EINTR)
            continue;
        if (length <= 0)
            break;
        for (ssize_t at = 0; at < length;) {
            const auto* item = reinterpret_cast<const dirent64*>(buffer + at);
            at += item->d_reclen;
            const std::string_view name = item->d_name;
            if (name == "." || name == ".." || listing.names.size() > UINT32_MAX - name.size())
                continue;
            listing.hasHiddenList = listing.hasHiddenList || name == ".hidden";
            const Kind kind = kindOf(folder, item->d_name, item->d_type);
            if (kind == Kind::Other)
                continue;
            listing.entries.push_back({ sortKey(name), static_cast<std::uint32_t>(listing.names.size()), static_cast<std::uint32_t>(name.size()), kind });
            listing.names += name;
        }
    }
    ::close(fd);
    std::sort(listing.entries.begin(), listing.entries.end(), [&](const Entry& a, const Entry& b) {
        if (a.key != b.key)
            return a.key < b.key;
        return FolderWalk::precedes(listing.name(a), listing.name(b));
    });
    return listing;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

unsigned char folded(char c)
{
    return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
}

// The first eight bytes of the name as naturalCompare sees them, packed so that
// comparing two keys compares those bytes: letters folded, a name's end as 0 (no
// name holds that byte), and the first digit as '0' with nothing after it, since a
// run of digits compares by value, and any digit compares with any other byte as
// '0' does. Names whose keys differ are in the keys' order; equal keys say nothing.
std::uint64_t sortKey(std::string_view name)
{
    std::uint64_t key = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        const bool digit = i < name.size() && isDigit(name[i]);
        const unsigned char byte = i >= name.size() ? 0 : digit ? '0' : folded(name[i]);
        key |= std::uint64_t { byte } << (56 - 8 * i);
        if (digit || i >= name.size())
            break;
    }
    return key;
}

// Compares the digit runs starting at i and j by value and moves past them.
int compareNumbers(std::string_view a, std::size_t& i, std::string_view b, std::size_t& j)
{
    auto significant = [](std::string_view text, std::size_t& at) {
        while (at < text.size() && text[at] == '0' && at + 1 < text.size() && isDigit(text[at + 1]))
            ++at;
        const std::size_t begin = at;
        while (at < text.size() && isDigit(text[at]))
            ++at;
        return text.substr(begin, at - begin);
    };
    const std::string_view x = significant(a, i);
    const std::string_view y = significant(b, j);
    if (x.size() != y.size())
        return x.size() < y.size() ? -1 : 1;
    return x.compare(y);
}

int naturalCompare(std::string_view a, std::string_view b)
{
    // Names in one folder often share a long start ("IMG_20230"), which compares
    // equal either way; so begin where they part, or at the start of the run of
    // digits they part in, as the run is compared by its value.
    const std::size_t shorter = std::min(a.size(), b.size());
    std::size_t i = static_cast<std::size_t>(std::mismatch(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(shorter), b.begin()).first - a.begin());
    while (i > 0 && isDigit(a[i - 1]))
        --i;
    std::size_t j = i;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            if (const int order = compareNumbers(a, i, b, j))
                return order;
            continue;
        }
        const unsigned char x = folded(a[i++]);
        const unsigned char y = folded(b[j++]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return (i < a.size()) - (j < b.size());
}

FileVisibility::HiddenNames hiddenNamesOf(const std::string& folder, const Listing& listing)
{
    return listing.hasHiddenList ? FileVisibility::hiddenNames(folder) : FileVisibility::HiddenNames();
}

// Folders still to finish, each with its sorted entries and how far it has got;
// a stack rather than recursion, so a very deep tree cannot exhaust the call stack.
struct Pending {
    std::string path;
    Listing listing;
    std::size_t next { 0 };
    FileVisibility::HiddenNames hidden;
};

}

std::string FolderWalk::joined(std::string_view folder, std::string_view name)
{
    std::string path;
    join(path, folder, name);
    return path;
}

void FolderWalk::join(std::string& path, std::string_view folder, std::string_view name)
{
    path.clear();
    path.reserve(folder.size() + 1 + name.size());
    path += folder;
    if (path.empty() || path.back() != '/')
        path += '/';
    path += name;
}

bool FolderWalk::precedes(std::string_view a, std::string_view b)
{
    const int order = naturalCompare(a, b);
    return order != 0 ? order < 0 : a < b;
}

std::vector<std::string> FolderWalk::visibleRegularFiles(const std::string& folder, bool subfolders)
{
    std::vector<std::string> files;
    std::vector<Listing> spare;
    auto top = readFolder(folder, spare);
    if (!top)
        return files;

    std::vector<Pending> stack;
    auto hidden = hiddenNamesOf(folder, *top);
    stack.push_back({ folder, std::move(*top), 0, std::move(hidden) });
    while (!stack.empty()) {
        Pending& current = stack.back();
        if (current.next == current.listing.entries.size()) {
            spare.push_back(std::move(current.listing));
            stack.pop_back();
            continue;
        }
        const Entry& entry = current.listing.entries[current.next++];
        const std::string_view name = current.listing.name(entry);
        std::string path = FolderWalk::joined(current.path, name);
        if (entry.kind == Kind::File) {
            if (FileVisibility::nameIsVisible(name, current.hidden))
                files.push_back(std::move(path));
        } else if (subfolders) {
            // Hidden folders are entered too: each file inside is judged by its own name.
            if (auto listing = readFolder(path, spare)) {
                auto hidden = hiddenNamesOf(path, *listing);
                stack.push_back({ std::move(path), std::move(*listing), 0, std::move(hidden) });
            }
        }
    }
    return files;
}

bool FolderWalk::searchableFiles(const std::string& folder, const std::function<Entering(const std::string&)>& enteringFolder,
    const std::function<void(const std::string& folder, std::string_view name)>& foundFile)
{
    if (enteringFolder(folder) != Entering::Enter)
        return true;
    std::vector<Listing> spare;
    auto top = readFolder(folder, spare);
    if (!top)
        return false;
    std::vector<Pending> stack;
    auto hidden = hiddenNamesOf(folder, *top);
    stack.push_back({ folder, std::move(*top), 0, std::move(hidden) });
    while (!stack.empty()) {
        Pending& current = stack.back();
        if (current.next == current.listing.entries.size()) {
            spare.push_back(std::move(current.listing));
            stack.pop_back();
            continue;
        }
        const Entry& entry = current.listing.entries[current.next++];
        const std::string_view name = current.listing.name(entry);
        if (entry.kind == Kind::File) {
            if (FileVisibility::nameIsVisible(name, current.hidden))
                foundFile(current.path, name);
        } else if (!name.starts_with('.')) {
            std::string path = FolderWalk::joined(current.path, name);
            const Entering entering = enteringFolder(path);
            if (entering == Entering::Stop)
                return true;
            if (entering == Entering::Skip)
                continue;
            if (auto listing = readFolder(path, spare)) {
                auto hidden = hiddenNamesOf(path, *listing);
                stack.push_back({ std::move(path), std::move(*listing), 0, std::move(hidden) });
            }
        }
    }
    return true;
}
