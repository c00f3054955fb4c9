// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FolderWalk.h"

#include "platform/FileVisibility.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string_view>

namespace {

enum class Kind {
    File,
    Folder,
    Other
};

struct Entry {
    std::string name;
    Kind kind;
};

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
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

// The folder's entries in a file manager's order, or nothing when it cannot be read.
std::optional<std::vector<Entry>> readFolder(const std::string& folder)
{
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir)
        return std::nullopt;
    std::vector<Entry> entries;
    while (const dirent* item = ::readdir(dir.get())) {
        std::string name = item->d_name;
        if (name == "." || name == "..")
            continue;
        const Kind kind = kindOf(folder, item->d_name, item->d_type);
        if (kind != Kind::Other)
            entries.push_back({ std::move(name), kind });
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return FolderWalk::precedes(a.name, b.name); });
    return entries;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

unsigned char folded(char c)
{
    return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
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

// Folders still to finish, each with its sorted entries and how far it has got;
// a stack rather than recursion, so a very deep tree cannot exhaust the call stack.
struct Pending {
    std::string path;
    std::vector<Entry> entries;
    std::size_t next { 0 };
    FileVisibility::HiddenNames hidden;
};

}

std::string FolderWalk::joined(std::string_view folder, std::string_view name)
{
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path += folder;
    if (path.empty() || path.back() != '/')
        path += '/';
    path += name;
    return path;
}

bool FolderWalk::precedes(std::string_view a, std::string_view b)
{
    const int order = naturalCompare(a, b);
    return order != 0 ? order < 0 : a < b;
}

std::vector<std::string> FolderWalk::visibleRegularFiles(const std::string& folder, bool subfolders)
{
    std::vector<std::string> files;
    auto top = readFolder(folder);
    if (!top)
        return files;

    std::vector<Pending> stack;
    stack.push_back({ folder, std::move(*top), 0, FileVisibility::hiddenNames(folder) });
    while (!stack.empty()) {
        Pending& current = stack.back();
        if (current.next == current.entries.size()) {
            stack.pop_back();
            continue;
        }
        const Entry& entry = current.entries[current.next++];
        std::string path = FolderWalk::joined(current.path, entry.name);
        if (entry.kind == Kind::File) {
            if (FileVisibility::nameIsVisible(entry.name, current.hidden))
                files.push_back(std::move(path));
        } else if (subfolders) {
            // Hidden folders are entered too: each file inside is judged by its own name.
            if (auto entries = readFolder(path)) {
                auto hidden = FileVisibility::hiddenNames(path);
                stack.push_back({ std::move(path), std::move(*entries), 0, std::move(hidden) });
            }
        }
    }
    return files;
}

bool FolderWalk::searchableFiles(const std::string& folder, const std::function<Entering(const std::string&)>& enteringFolder,
    const std::function<void(std::string)>& foundFile)
{
    if (enteringFolder(folder) != Entering::Enter)
        return true;
    auto top = readFolder(folder);
    if (!top)
        return false;
    std::vector<Pending> stack;
    stack.push_back({ folder, std::move(*top), 0, FileVisibility::hiddenNames(folder) });
    while (!stack.empty()) {
        Pending& current = stack.back();
        if (current.next == current.entries.size()) {
            stack.pop_back();
            continue;
        }
        const Entry& entry = current.entries[current.next++];
        if (entry.kind == Kind::File) {
            if (FileVisibility::nameIsVisible(entry.name, current.hidden))
                foundFile(FolderWalk::joined(current.path, entry.name));
        } else if (!entry.name.starts_with('.')) {
            std::string path = FolderWalk::joined(current.path, entry.name);
            const Entering entering = enteringFolder(path);
            if (entering == Entering::Stop)
                return true;
            if (entering == Entering::Skip)
                continue;
            if (auto entries = readFolder(path)) {
                auto hidden = FileVisibility::hiddenNames(path);
                stack.push_back({ std::move(path), std::move(*entries), 0, std::move(hidden) });
            }
        }
    }
    return true;
}
