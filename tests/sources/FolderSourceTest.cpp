// SPDX-License-Identifier: GPL-3.0-or-later
#include "SourceTestSupport.h"
#include "TestSupport.h"
#include "saver/SkyvanesView.h"
#include "sources/FileVisibility.h"
#include "sources/FolderWalk.h"
#include "sources/ImagePathList.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace fs = std::filesystem;

namespace {

using Paths = std::vector<std::string>;

class FolderSourceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SkyvanesView::initialize();
        moduleSettings().setInteger(ImagePathList::kSourceFolder, SettingsKey::Source);
        useFolder(root());
    }

    std::string root() const { return mTree.path().string(); }
    std::string at(const std::string& relative) const { return (mTree.path() / relative).string(); }
    void write(const std::string& relative) const { mTree.write(relative, "x"); }
    void useFolder(const std::string& folder) { moduleSettings().setObject(PropertyValue(folder), SettingsKey::ImageDir); }

    Paths load(int* queries = nullptr, std::string* queried = nullptr)
    {
        return ImagePathList::loadImagePaths([=](const std::string& path) {
            if (queries)
                ++*queries;
            if (queried)
                *queried = path;
        });
    }

    ScopedPreferences mPreferences;
    ScopedEnvironment mHome { "HOME", mPreferences.folder().parent_path().string() };
    TemporaryFolder mTree;
};

// Runs list() where folder permissions hold: as an unprivileged user when the tests
// run as root (root reads any folder), in a child process, and returns its paths.
Paths listWithoutPrivileges(const std::function<Paths()>& list)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return { "pipe failed" };
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        std::string out;
        for (const auto& path : list())
            out += path + '\n';
        if (::write(pipeEnds[1], out.data(), out.size()) != static_cast<ssize_t>(out.size()))
            ::_exit(3);
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return { "child failed" };
    Paths paths;
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        paths.push_back(text.substr(start, end - start));
    return paths;
}

}

TEST_F(FolderSourceTest, ListsTheTreeInNameOrderWithEachSubfolderInItsPlace)
{
    for (const char* name : { "b.jpg", "A.jpg", "a/2.jpg", "a/1.jpg", "a/z/deep.jpg", "c.jpg", "notes.txt" })
        write(name);
    EXPECT_EQ(load(), (Paths { at("A.jpg"), at("a/1.jpg"), at("a/2.jpg"), at("a/z/deep.jpg"), at("b.jpg"), at("c.jpg"), at("notes.txt") }))
        << "byte order puts capitals first; files of any kind are listed";
}

TEST_F(FolderSourceTest, HidesDotNamesButJudgesFilesInDotFoldersByTheirOwnName)
{
    write(".secret.jpg");
    write(".thumbnails/shown.jpg");
    write(".thumbnails/.hidden-too.jpg");
    write("shown.jpg");
    EXPECT_EQ(load(), (Paths { at(".thumbnails/shown.jpg"), at("shown.jpg") }));
}

TEST_F(FolderSourceTest, DotHiddenFileHidesExactNamesOfItsOwnFolderOnly)
{
    mTree.write(".hidden", "private.jpg\nSecond.jpg\n\n");
    for (const char* name : { "private.jpg", "Second.jpg", "second.jpg", "private.jpg.bak", "sub/private.jpg" })
        write(name);
    EXPECT_EQ(load(), (Paths { at("private.jpg.bak"), at("second.jpg"), at("sub/private.jpg") }));
    EXPECT_FALSE(FileVisibility::fileIsVisible(at("Second.jpg")));
    EXPECT_TRUE(FileVisibility::fileIsVisible(at("second.jpg")));
}

TEST_F(FolderSourceTest, FollowsLinksToFilesOnlyAndNeverLoops)
{
    write("real/picture.jpg");
    fs::create_symlink(at("real/picture.jpg"), at("link.jpg"));
    fs::create_symlink(at("nowhere.jpg"), at("broken.jpg"));
    fs::create_directory_symlink(root(), at("real/loop"));
    fs::create_directory_symlink(at("real"), at("zfolderlink"));
    EXPECT_EQ(load(), (Paths { at("link.jpg"), at("real/picture.jpg") }));
    EXPECT_TRUE(FileVisibility::fileIsVisible(at("broken.jpg"))) << "a link is judged by itself";
    EXPECT_FALSE(FileVisibility::fileIsVisible(at("missing.jpg")));
}

TEST_F(FolderSourceTest, SubDirsOffListsOnlyTheFolderItself)
{
    write("top.jpg");
    write("sub/inner.jpg");
    moduleSettings().setBool(false, SettingsKey::SubDirs);
    EXPECT_EQ(load(), (Paths { at("top.jpg") }));
}

TEST_F(FolderSourceTest, AFolderGivenWithATrailingSlashOrThroughALinkIsListedUnderThatName)
{
    write("p.jpg");
    useFolder(root() + "/");
    EXPECT_EQ(load(), (Paths { at("p.jpg") }));

    TemporaryFolder other;
    fs::create_directory_symlink(mTree.path(), other.path() / "Pictures");
    useFolder((other.path() / "Pictures").string());
    EXPECT_EQ(load(), (Paths { (other.path() / "Pictures/p.jpg").string() }));
}

TEST_F(FolderSourceTest, AnUnreadableSubfolderIsPassedOverAndAnUnreadableTopGivesNothing)
{
    write("a.jpg");
    write("locked/inside.jpg");
    write("z.jpg");
    fs::permissions(mTree.path(), fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(at("locked"), fs::perms::none);
    // The walk itself: the settings file is out of an unprivileged user's reach.
    const auto walk = [&] { return FolderWalk::visibleRegularFiles(root(), true); };
    EXPECT_EQ(listWithoutPrivileges(walk), (Paths { at("a.jpg"), at("z.jpg") }));

    fs::permissions(mTree.path(), fs::perms::owner_write | fs::perms::owner_exec);
    EXPECT_EQ(listWithoutPrivileges(walk), Paths {});
}

TEST_F(FolderSourceTest, ASavedSearchStartsTheQueryOnlyWithTheExactExtensionAndAFacility)
{
    write("Recent.savedSearch");
    write("Other.savedsearch");
    write("Third.SavedSearch");
    int queries = 0;
    std::string queried;

    useFolder(at("Recent.savedSearch"));
    EXPECT_EQ(load(&queries, &queried), Paths {});
    EXPECT_EQ(queries, 1);
    EXPECT_EQ(queried, at("Recent.savedSearch"));
    EXPECT_EQ(ImagePathList::loadImagePaths({}), Paths {}) << "no query facility: nothing, silently";

    for (const char* name : { "Other.savedsearch", "Third.SavedSearch", "missing.savedSearch" }) {
        useFolder(at(name));
        EXPECT_EQ(load(&queries), Paths {});
    }
    EXPECT_EQ(queries, 1);
}

TEST_F(FolderSourceTest, SettingsThatNameNoFolderOrNoKnownSourceGiveNothing)
{
    write("a.jpg");
    moduleSettings().setInteger(3, SettingsKey::Source);
    EXPECT_EQ(load(), Paths {});
    moduleSettings().setInteger(ImagePathList::kSourceFolder, SettingsKey::Source);
    useFolder(at("no such folder"));
    EXPECT_EQ(load(), Paths {});
    moduleSettings().setInteger(5, SettingsKey::ImageDir);
    EXPECT_EQ(load(), Paths {});
}

TEST_F(FolderSourceTest, ArtworkSourceWalksTheWholeArtworkTreeWhateverSubDirsSays)
{
    const fs::path home = mPreferences.folder().parent_path();
    const fs::path artwork = home / "Music/iTunes/Album Artwork";
    fs::create_directories(artwork / "Cache/0A");
    std::ofstream(artwork / "Cache/0A/1234.itc") << "x";
    std::ofstream(artwork / "Cache/.DS_Store") << "x";
    moduleSettings().setInteger(ImagePathList::kSourceArtwork, SettingsKey::Source);
    moduleSettings().setBool(false, SettingsKey::SubDirs);
    EXPECT_EQ(load(), (Paths { (artwork / "Cache/0A/1234.itc").string() }));

    fs::remove_all(artwork);
    EXPECT_EQ(load(), Paths {});
}
