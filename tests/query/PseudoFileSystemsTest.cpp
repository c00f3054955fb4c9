// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/PseudoFileSystems.h"

#include <gtest/gtest.h>

TEST(PseudoFileSystems, MountPointsOfKernelFileSystemsAreFoundAndDisksAreNot)
{
    const std::string mountInfo = "21 26 0:20 / /proc rw,relatime - proc proc rw\n"
                                  "22 26 0:21 / /sys rw,relatime shared:7 - sysfs sysfs rw\n"
                                  "24 23 0:22 / /dev/shm rw,relatime - tmpfs tmpfs rw\n"
                                  "26 1 8:1 / / rw,relatime shared:1 master:2 - ext4 /dev/sda1 rw\n"
                                  "30 22 0:25 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n"
                                  "31 26 0:30 / /mnt/odd\\040name\\134 rw - binfmt_misc binfmt_misc rw\n"
                                  "32 26 0:31 / /media/usb rw - vfat /dev/sdb1 rw\n"
                                  "33 26 0:32 / /mnt/share rw - nfs4 server:/share rw\n"
                                  "a line that is not one\n"
                                  "34 26 0:33 / /proc2 rw - autofs systemd-1 rw";
    EXPECT_EQ(PseudoFileSystems::mountPointsIn(mountInfo), (PseudoFileSystems::MountPoints { "/proc", "/sys", "/sys/fs/cgroup", "/mnt/odd name\\", "/proc2" }));
    EXPECT_TRUE(PseudoFileSystems::mountedNow().contains("/proc")) << "the tests run with /proc mounted";
}
