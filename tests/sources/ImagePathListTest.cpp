// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/ImagePathList.h"
#include "TestSupport.h"
#include "platform/FolderWalk.h"
#include "saver/SkyvanesView.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

using Paths = std::vector<std::string>;

class ImagePathListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SkyvanesView::initialize();
        useFolder(root());
    }

    std::string root() const { return mTree.path().string(); }
    std::string at(const std::string& relative) const { return (mTree.path() / relative).string(); }
    void write(std::initializer_list<const char*> names) const
    {
        for (const char* name : names)
            mTree.write(name, "x");
    }
    void useFolder(const std::string& folder) { moduleSettings().setObject(PropertyValue(folder), SettingsKey::ImageDir); }
    Paths load()
    {
        return ImagePathList::loadImagePaths([](const std::string&) { ADD_FAILURE() << "not a saved search"; });
    }

    ScopedPreferences mPreferences;
    TemporaryFolder mTree;
};

}

TEST_F(ImagePathListTest, ListsTheTreeInAFileManagersOrderWithEachSubfolderInItsPlace)
{
    write({ "b.jpg", "A.jpg", "a/2.jpg", "a/10.jpg", "a/z/deep.jpg", "C.jpg", "notes.txt" });
    const Paths all { at("a/2.jpg"), at("a/10.jpg"), at("a/z/deep.jpg"), at("A.jpg"), at("b.jpg"), at("C.jpg"), at("notes.txt") };
    EXPECT_EQ(load(), all);

    moduleSettings().setBool(false, SettingsKey::SubDirs);
    EXPECT_EQ(load(), (Paths { at("A.jpg"), at("b.jpg"), at("C.jpg"), at("notes.txt") }));
}

TEST_F(ImagePathListTest, ListsVisibleNamesAndLinksToFilesOnlyAndNeverLoops)
{
    mTree.write(".hidden", "private.jpg\nSecond.jpg\n\n");
    write({ ".secret.jpg", ".thumbnails/shown.jpg", ".thumbnails/.hidden-too.jpg", "private.jpg", "Second.jpg", "second.jpg",
        "private.jpg.bak", "sub/private.jpg" });
    fs::create_symlink(at("second.jpg"), at("link.jpg"));
    fs::create_symlink(at("nowhere.jpg"), at("broken.jpg"));
    fs::create_directory_symlink(root(), at("sub/loop"));
    fs::create_directory_symlink(at("sub"), at("zfolderlink"));
    // Files in a dot folder are judged by their own name; .hidden names exact names of its own folder only.
    EXPECT_EQ(load(), (Paths { at(".thumbnails/shown.jpg"), at("link.jpg"), at("private.jpg.bak"), at("second.jpg"), at("sub/private.jpg") }));
}

TEST_F(ImagePathListTest, AnUnreadableSubfolderIsPassedOver)
{
    write({ "a.jpg", "locked/inside.jpg", "z.jpg" });
    fs::permissions(at("locked"), fs::perms::none);
    const int status = asOrdinaryUser(root(), [&] { return FolderWalk::visibleRegularFiles(root(), true) == Paths { at("a.jpg"), at("z.jpg") }; });
    if (status == -1)
        GTEST_SKIP() << "no unprivileged user to test permissions with";
    EXPECT_EQ(status, 0);
}

TEST_F(ImagePathListTest, ASavedSearchNeedsTheExactExtensionAndSettingsNamingNoFolderGiveNothing)
{
    write({ "Recent.savedSearch", "Other.savedsearch", "a.jpg" });
    std::vector<std::string> queried;
    const auto query = [&](const std::string& path) { queried.push_back(path); };
    for (const char* name : { "Recent.savedSearch", "Other.savedsearch", "missing.savedSearch" }) {
        useFolder(at(name));
        EXPECT_EQ(ImagePathList::loadImagePaths(query), Paths {});
    }
    EXPECT_EQ(queried, Paths { at("Recent.savedSearch") });

    moduleSettings().setInteger(5, SettingsKey::ImageDir);
    EXPECT_EQ(load(), Paths {});
}

TEST_F(ImagePathListTest, ArtworkSourceWalksTheWholeArtworkTreeWhateverSubDirsSays)
{
    ScopedEnvironment home("HOME", root());
    write({ "Music/iTunes/Album Artwork/Cache/0A/1234.itc", "Music/iTunes/Album Artwork/Cache/.DS_Store" });
    moduleSettings().setInteger(ImagePathList::kSourceArtwork, SettingsKey::Source);
    moduleSettings().setBool(false, SettingsKey::SubDirs);
    EXPECT_EQ(load(), (Paths { at("Music/iTunes/Album Artwork/Cache/0A/1234.itc") }));
}
