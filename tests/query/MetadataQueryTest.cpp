// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/MetadataQuery.h"
#include "FakeMimeDatabase.h"
#include "TestSupport.h"
#include "platform/qt/QtMimeDatabase.h"
#include "query/QueryScopes.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>

namespace {

using Paths = std::vector<std::string>;
using namespace std::chrono_literals;

Paths results(const MetadataQuery& query)
{
    Paths paths;
    for (std::size_t i = 0; i < query.resultCount(); ++i)
        paths.push_back(*query.resultPathAtIndex(i));
    return paths;
}

// A query for expression over scope, its first gathering done.
std::unique_ptr<MetadataQuery> gathered(const std::string& expression, const std::string& scope)
{
    auto query = MetadataQuery::create(expression);
    query->setSearchScope({ scope });
    query->execute();
    query->waitUntilGathered();
    return query;
}

// Runs check in a child process whose root folder is folder (in a user namespace of
// its own when not run as root): 0 when check held, 1 when not, 2 when no such
// child could be made.
int withRootAt(const std::filesystem::path& folder, const std::function<bool()>& check)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() != 0 && ::unshare(CLONE_NEWUSER) != 0)
            _exit(2);
        if (::chroot(folder.c_str()) != 0 || ::chdir("/") != 0)
            _exit(2);
        _exit(check() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

class MetadataQueryTest : public ::testing::Test {
protected:
    std::unique_ptr<MetadataQuery> pictures() { return gathered(R"(kMDItemContentTypeTree == "public.image")", mFolder.path().string()); }

    std::string at(const std::string& name) const { return (mFolder.path() / name).string(); }

    // Delivers as the host's frame loop would until the results are as expected,
    // in any order (a removal moves the last result into its place).
    static bool settlesTo(const MetadataQuery& query, Paths expected)
    {
        std::sort(expected.begin(), expected.end());
        return eventually(
            [&] {
                MetadataQuery::deliverPendingUpdates();
                Paths found = results(query);
                std::sort(found.begin(), found.end());
                return found == expected;
            },
            3s);
    }

    ScopedFakeMimeDatabase mTypes;
    TemporaryFolder mFolder;
};

}

TEST_F(MetadataQueryTest, GatheringFindsMatchingFilesInWalkOrderAndSkipsHiddenFilesDotFoldersAndFolders)
{
    mFolder.write("a.jpg", "x");
    mFolder.write("b.txt", "x");
    mFolder.write("sub/c.png", "x");
    mFolder.write(".cache/d.jpg", "x");
    mFolder.write(".e.jpg", "x");
    mFolder.write("sub/listed.jpg", "x");
    mFolder.write("sub/.hidden", "listed.jpg\n");
    std::filesystem::create_directory(mFolder.path() / "f.jpg");
    std::filesystem::create_symlink(at("a.jpg"), at("link.jpg"));
    std::filesystem::create_symlink(at("sub"), at("linked.jpg"));

    const auto query = pictures();
    EXPECT_EQ(results(*query), (Paths { at("a.jpg"), at("link.jpg"), at("sub/c.png") }));
    // Each file of a walk is judged on its own name, size and type, none carried
    // over from the file before.
    mFolder.write("sub/large.png", std::string(4096, 'x'));
    const auto scope = mFolder.path().string();
    EXPECT_EQ(results(*gathered(R"(kMDItemFSName == "l*" && kMDItemFSSize < 1000)", scope)), Paths { at("link.jpg") });
    EXPECT_EQ(results(*gathered(R"(kMDItemFSSize > 1000 || kMDItemFSName == "b*")", scope)), (Paths { at("b.txt"), at("sub/large.png") }));
    EXPECT_EQ(results(*gathered(R"(kMDItemContentType == "public.png" && kMDItemFSSize < 1000)", scope)), Paths { at("sub/c.png") });
}

TEST_F(MetadataQueryTest, ChangesArriveBetweenFramesOnlyWhileUpdatesAreOnAndStopEndsThem)
{
    mFolder.write("a.jpg", "x");
    mFolder.write("sub/b.png", "x");
    const auto query = pictures();
    ASSERT_EQ(results(*query), (Paths { at("a.jpg"), at("sub/b.png") }));

    query->disableUpdates();
    mFolder.write("new.jpg", "x");
    ASSERT_TRUE(eventually([&] { return query->updatesPending(); }, 3s));
    MetadataQuery::deliverPendingUpdates();
    EXPECT_EQ(query->resultCount(), 2u) << "held-off updates changed the results";
    query->enableUpdates();
    EXPECT_TRUE(settlesTo(*query, { at("a.jpg"), at("sub/b.png"), at("new.jpg") }));

    std::filesystem::rename(at("a.jpg"), at("z.jpg"));
    EXPECT_TRUE(settlesTo(*query, { at("sub/b.png"), at("new.jpg"), at("z.jpg") }));
    std::filesystem::remove(at("new.jpg"));
    std::filesystem::rename(at("z.jpg"), at("z.txt"));
    std::filesystem::remove_all(at("sub"));
    mFolder.write("moved/d.png", "x");
    EXPECT_TRUE(settlesTo(*query, { at("moved/d.png") }));

    // The worker has ended when stop returns, so nothing can be on its way.
    query->stop();
    mFolder.write("late.jpg", "x");
    MetadataQuery::deliverPendingUpdates();
    EXPECT_FALSE(query->updatesPending());
    EXPECT_EQ(query->resultCount(), 1u);
}

TEST_F(MetadataQueryTest, FilesThatAppearHiddenAreNoResultsAndAChangedHiddenListCountsAtOnce)
{
    mFolder.write("a.jpg", "x");
    const auto query = pictures();
    mFolder.write(".face.jpg", "x");
    mFolder.write(".hidden", "b.jpg\na.jpg\n");
    mFolder.write("b.jpg", "x");
    mFolder.write("c.jpg", "x");
    EXPECT_TRUE(settlesTo(*query, { at("c.jpg") }));
    mFolder.write(".hidden", "c.jpg\n");
    EXPECT_TRUE(settlesTo(*query, { at("a.jpg"), at("b.jpg") }));
}

TEST_F(MetadataQueryTest, OneChangeCostsTheSameWithManyResultsAsWithFew)
{
    for (const std::size_t count : { 20u, 4000u }) {
        const std::string folder = "n" + std::to_string(count) + "/";
        for (std::size_t i = 0; i < count; ++i)
            mFolder.write(folder + std::to_string(i) + ".jpg", "");
        auto query = gathered(R"(kMDItemFSName == "*.jpg")", at(folder));
        ASSERT_EQ(query->resultCount(), count);
        const std::size_t before = query->resultListOperations();
        std::filesystem::remove(*query->resultPathAtIndex(0));
        ASSERT_TRUE(eventually([&] { return MetadataQuery::deliverPendingUpdates(), query->resultCount() == count - 1; }, 3s));
        mFolder.write(folder + "new.jpg", "");
        ASSERT_TRUE(eventually([&] { return MetadataQuery::deliverPendingUpdates(), query->resultCount() == count; }, 3s));
        EXPECT_EQ(query->resultListOperations() - before, 3u) << "the last result moved into the gap, then dropped; one added";
    }
}

TEST_F(MetadataQueryTest, AScopeFolderRemovedAndMadeAgainIsSearchedAgain)
{
    mFolder.write("scope/a.jpg", "x");
    auto query = gathered(R"(kMDItemFSName == "*.jpg")", at("scope"));
    std::filesystem::remove_all(at("scope"));
    EXPECT_TRUE(settlesTo(*query, {}));
    mFolder.write("scope/deep/b.jpg", "x");
    EXPECT_TRUE(settlesTo(*query, { at("scope/deep/b.jpg") }));
    // A sync tool's way: the old folder goes, a finished one is moved in.
    mFolder.write("staging/c.jpg", "x");
    std::filesystem::remove_all(at("scope"));
    std::filesystem::rename(at("staging"), at("scope"));
    EXPECT_TRUE(settlesTo(*query, { at("scope/c.jpg") }));
}

TEST_F(MetadataQueryTest, AFileRightUnderTheRootFolderLeavesTheResultsWhenRemoved)
{
    mFolder.write("a.jpg", "x");
    const int status = withRootAt(mFolder.path(), [] {
        auto query = gathered(R"(kMDItemFSName == "*.jpg")", "/");
        if (results(*query) != Paths { "/a.jpg" })
            return false;
        std::filesystem::remove("/a.jpg");
        return settlesTo(*query, {});
    });
    if (status == 2)
        GTEST_SKIP() << "no root folder of the test's own";
    EXPECT_EQ(status, 0) << "a file removed from / stayed a result";
}

TEST(MetadataQuery, SharedMimeInfoThroughQtNamesPicturesAndTheirHeadersGiveTheirSize)
{
    struct CountingReads : QtMimeDatabase {
        mutable std::atomic<int> reads { 0 };
        MimeType mimeTypeForFile(const std::string& path) const override { return ++reads, QtMimeDatabase::mimeTypeForFile(path); }
    };
    const auto database = std::make_shared<CountingReads>();
    MimeDatabase::setShared(database);
    FileAttributes::setPictureDecoder(std::make_shared<QtImageDecoder>());
    TemporaryFolder folder;
    const std::string picture = std::string(SKYVANES_SOURCE_DIR) + "/tests/fuzz/corpus/decoder/baseline.jpg";
    std::filesystem::copy_file(picture, folder.path() / "ph\xf6to"); // Latin-1
    std::filesystem::copy_file(picture, folder.path() / "a.dat"); // a suffix no type claims, so no guide to b.dat
    folder.write("b.dat", "x");
    folder.write("notes.txt", "x");
    folder.write("empty.png", "");
    auto query = gathered(R"(kMDItemContentType == "public.jpeg" && kMDItemContentTypeTree == "public.image" && (kMDItemPixelWidth > 1 || kMDItemFSName == "*.dat"))",
        folder.path().string());
    EXPECT_EQ(results(*query), (Paths { folder.path().string() + "/a.dat", folder.path().string() + "/ph\xf6to" }))
        << "a picture is known by its content when its name says nothing";

    // A name's own rule is kept for the names ending alike only where no rule
    // for whole names (CMakeLists.txt) could tell them apart, whatever comes first.
    TemporaryFolder texts;
    texts.write("CMakeLists.txt", "x");
    texts.write("notes.txt", "x");
    EXPECT_EQ(results(*gathered(R"(kMDItemContentType == "public.plain-text")", texts.path().string())), Paths { texts.path().string() + "/notes.txt" });
    // Two types claim *.json: its bytes are read only where the two answer apart.
    texts.write("data.json", "{}");
    database->reads = 0;
    EXPECT_EQ(results(*gathered(R"(kMDItemContentTypeTree == "public.image")", texts.path().string())), Paths {});
    EXPECT_EQ(database->reads, 0);
    EXPECT_EQ(results(*gathered(R"(kMDItemContentType == "public.json")", texts.path().string())), Paths { texts.path().string() + "/data.json" });
    EXPECT_EQ(database->reads, 1);
    MimeDatabase::setShared(nullptr);
    FileAttributes::setPictureDecoder(nullptr);
}

TEST(QueryScopes, EntriesBecomeExistingOutermostFolders)
{
    TemporaryFolder home;
    std::filesystem::create_directories(home.path() / "Pictures/Trips");
    std::filesystem::create_directories(home.path() / "My Photos");
    ScopedEnvironment homeVariable("HOME", home.path().string());
    const std::string root = home.path().string();
    EXPECT_EQ(QueryScopes::folders({ "~/Pictures", "file://" + root + "/My%20Photos/", root + "/Pictures/Trips", "kMDQueryScopeNetwork", "relative",
                  root + "/missing", "~/Pictures/" }),
        (Paths { root + "/Pictures", root + "/My Photos" }));
    EXPECT_EQ(QueryScopes::folders({ "kMDQueryScopeHome", "~/Pictures" }), (Paths { root }));
    const Paths computer = QueryScopes::folders({ "kMDQueryScopeComputer" });
    ASSERT_FALSE(computer.empty());
    EXPECT_EQ(computer.front(), root);
}
