// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/PseudoFileSystems.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

constexpr std::string_view kPseudoTypes[] = { "proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2", "debugfs", "tracefs", "securityfs",
    "pstore", "bpf", "configfs", "fusectl", "mqueue", "hugetlbfs", "binfmt_misc", "autofs", "rpc_pipefs", "efivarfs" };

// The n-th field of a line of fields separated by single spaces, or nothing.
std::string_view field(std::string_view line, std::size_t n)
{
    for (; n > 0; --n) {
        const std::size_t space = line.find(' ');
        if (space == std::string_view::npos)
            return {};
        line.remove_prefix(space + 1);
    }
    return line.substr(0, line.find(' '));
}

// Mount points write a space, tab, newline or backslash as \ and three octal digits.
std::string unescaped(std::string_view path)
{
    std::string result;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const bool octal = path[i] == '\\' && i + 3 < path.size() && std::all_of(path.begin() + static_cast<std::ptrdiff_t>(i) + 1, path.begin() + static_cast<std::ptrdiff_t>(i) + 4, [](char c) { return c >= '0' && c <= '7'; });
        if (octal) {
            result += static_cast<char>((path[i + 1] - '0') * 64 + (path[i + 2] - '0') * 8 + (path[i + 3] - '0'));
            i += 3;
        } else {
            result += path[i];
        }
    }
    return result;
}

}

bool PseudoFileSystems::isPseudoType(std::string_view type)
{
    return std::find(std::begin(kPseudoTypes), std::end(kPseudoTypes), type) != std::end(kPseudoTypes);
}

PseudoFileSystems::MountPoints PseudoFileSystems::mountPointsIn(std::string_view mountInfo)
{
    MountPoints points;
    while (!mountInfo.empty()) {
        const std::size_t end = std::min(mountInfo.find('\n'), mountInfo.size());
        const std::string_view line = mountInfo.substr(0, end);
        mountInfo.remove_prefix(std::min(end + 1, mountInfo.size()));
        // The optional fields end at a lone "-"; the type follows it.
        const std::size_t separator = line.find(" - ");
        if (separator == std::string_view::npos)
            continue;
        const std::string_view point = field(line, 4);
        if (!point.empty() && isPseudoType(field(line.substr(separator + 3), 0)))
            points.insert(unescaped(point));
    }
    return points;
}

PseudoFileSystems::MountPoints PseudoFileSystems::mountedNow()
{
    // A proc file tells no size, so it is read as a stream.
    std::ifstream file("/proc/self/mountinfo");
    std::ostringstream text;
    text << file.rdbuf();
    return mountPointsIn(text.str());
}
