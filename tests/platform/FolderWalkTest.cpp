// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FolderWalk.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

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

    // A walk sorts by a short key first: names that part within and beyond it, in
    // letters, digits and the bytes either side of the digits, come out as above.
    std::mt19937 draw(7);
    const std::string alphabet = "aAbZz09 ._-~\xc3";
    std::set<std::string> names;
    while (names.size() < 400) {
        std::string name(1 + draw() % 11, 'a');
        for (char& c : name)
            c = alphabet[draw() % alphabet.size()];
        if (name.front() != '.')
            names.insert(name);
    }
    const TemporaryFolder folder;
    std::vector<std::string> expected;
    for (const std::string& name : names)
        expected.push_back(folder.write(name, "").string());
    std::sort(expected.begin(), expected.end(), [](const std::string& a, const std::string& b) { return FolderWalk::precedes(a, b); });
    EXPECT_EQ(FolderWalk::visibleRegularFiles(folder.path().string(), false), expected);
}

TEST(FolderWalk, JoinsWithOneSlashWhateverTheFolderEndsWith)
{
    EXPECT_EQ(FolderWalk::joined("/", "a"), "/a");
    EXPECT_EQ(FolderWalk::joined("", "a"), "/a");
    EXPECT_EQ(FolderWalk::joined("/x", "a"), "/x/a");
    EXPECT_EQ(FolderWalk::joined("/x/", "a b"), "/x/a b");
}
