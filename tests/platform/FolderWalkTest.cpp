// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FolderWalk.h"

#include <gtest/gtest.h>

TEST(FolderWalk, NamesFollowAFileManagersOrder)
{
    // Each row in order: first before second, never the other way.
    for (const auto& [first, second] : std::vector<std::pair<std::string, std::string>> { { "IMG_2", "IMG_10" },
             { "a.png", "Z.png" }, { "img9.jpg", "IMG10.jpg" }, { "x", "x1" }, { "x007", "x8" }, { "A", "a" },
             { "x01", "x1" }, { "photo 2 b", "photo 02 c" }, { "99", "100" }, { "18446744073709551616", "18446744073709551617" },
             { "z", "\xc3\xa9" }, { "_a", "a" } }) {
        EXPECT_TRUE(FolderWalk::precedes(first, second)) << first << " / " << second;
        EXPECT_FALSE(FolderWalk::precedes(second, first)) << second << " / " << first;
    }
    EXPECT_FALSE(FolderWalk::precedes("same", "same"));
}

TEST(FolderWalk, JoinsWithOneSlashWhateverTheFolderEndsWith)
{
    EXPECT_EQ(FolderWalk::joined("/", "a"), "/a");
    EXPECT_EQ(FolderWalk::joined("", "a"), "/a");
    EXPECT_EQ(FolderWalk::joined("/x", "a"), "/x/a");
    EXPECT_EQ(FolderWalk::joined("/x/", "a b"), "/x/a b");
}
