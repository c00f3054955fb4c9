// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

// Where the kernel's pseudo file systems are mounted (proc, sysfs, devtmpfs, cgroup
// and the like): they hold no pictures, and walking them costs seconds or never
// ends, so a search passes them over unless its scope names one. Network,
// encrypted, removable and tmpfs file systems are not among them.
class PseudoFileSystems {
public:
    using MountPoints = std::unordered_set<std::string>;

    // The mount points of pseudo file systems in the text of a mountinfo file
    // (proc(5)), as absolute paths with their octal escapes undone.
    static MountPoints mountPointsIn(std::string_view mountInfo);

    // The same for this process's mounts as they are now; empty when
    // /proc/self/mountinfo cannot be read.
    static MountPoints mountedNow();

    // True for the name of a file system type that is a pseudo one ("proc").
    static bool isPseudoType(std::string_view type);
};
