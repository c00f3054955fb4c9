// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/SavedSearch.h"
#include "FakeMimeDatabase.h"
#include "RendererTest.h"
#include "platform/Random.h"
#include "settings/PropertyList.h"
#include "sources/ImagePathList.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace {

using Paths = std::vector<std::string>;
using namespace std::chrono_literals;

// Pictures are placeholders, and a ".txt" result cannot be loaded, like any file
// that is not a picture.
void recordTextures(LumivelGL& view, Paths& requested)
{
    view.setTextureMaker([&requested](const std::string& path) -> std::unique_ptr<LVTexture> {
        requested.push_back(path);
        if (path.ends_with(".txt"))
            return nullptr;
        return std::make_unique<LVTexture>(0, Size { 4, 4 }, Size { 1, 1 });
    });
}

void writePropertyList(const std::filesystem::path& path, PropertyDictionary root)
{
    std::ofstream(path) << PropertyList::toXML(PropertyValue(std::move(root)));
}

PropertyDictionary newerLayout(const std::string& query, const std::string& scope)
{
    return { { "CompatibleVersion", 1 }, { "RawQuery", query },
        { "RawQueryDict", PropertyDictionary { { "SearchScopes", PropertyArray { scope } } } } };
}

class SavedSearchTest : public RendererTest<> {
protected:
    void SetUp() override
    {
        RendererTest::SetUp();
        recordTextures(mView, mRequested);
        moduleSettings().setInteger(ImagePathList::kSourceFolder, SettingsKey::Source);
        moduleSettings().setObject(PropertyValue(search().string()), SettingsKey::ImageDir);
        moduleSettings().setInteger(100, SettingsKey::ImageLimit);
        std::filesystem::create_directory(mFolder.path() / "scope");
        searchFor("kMDItemFSName == \"*\"");
    }

    std::filesystem::path search() const { return mFolder.path() / "Pictures.savedSearch"; }
    std::string at(const std::string& name) const { return (mFolder.path() / "scope" / name).string(); }
    void searchFor(const std::string& query) const { writePropertyList(search(), newerLayout(query, at(""))); }
    void add(const std::string& name) const { mFolder.write("scope/" + name, "x"); }

    void start()
    {
        started(mView);
        frame();
        mView.liveImageQuery()->waitUntilGathered();
    }

    // One turn of the host's loop: pending changes, then a frame.
    void frame()
    {
        MetadataQuery::deliverPendingUpdates();
        RendererTest::frame(mView);
    }

    bool countBecomes(std::size_t count)
    {
        return eventually([&] { return MetadataQuery::deliverPendingUpdates(), mView.liveImageQuery()->resultCount() == count; }, 3s);
    }

    ScopedFakeMimeDatabase mTypes;
    TemporaryFolder mFolder;
    LumivelGL mView { Rect { {}, { 64, 64 } }, false };
    Paths mRequested;
};

}

TEST_F(SavedSearchTest, BothLayoutsTakeScopesFromTheirOwnKeysAndTheQueryFromTheRoot)
{
    const PropertyDictionary newer { { "RawQuery", "true" }, { "RawQueryDict", PropertyDictionary { { "SearchScopes", PropertyArray { "/new" } } } } };
    const PropertyDictionary older { { "RawQuery", "false" }, { "SearchCriteria", PropertyDictionary { { "FXScopeArrayOfPaths", PropertyArray { "/old", 3 } } } } };
    auto both = newer;
    both.insert(older.begin(), older.end());
    for (const auto& [version, scopes] : std::vector<std::pair<PropertyValue, Paths>> { { 1, { "/new" } }, { 0, { "/old" } }, { "2", { "/new" } }, { -1, { "/old" } } }) {
        auto root = both;
        root["CompatibleVersion"] = version;
        writePropertyList(search(), root);
        const auto read = SavedSearch::savedSearchWithContentsOfFile(search());
        ASSERT_TRUE(read);
        EXPECT_EQ(read->rawQuery, "true");
        EXPECT_EQ(read->searchScopes, std::optional(scopes));
    }
    // A file over 4 MiB is damaged, however well formed.
    for (const std::size_t size : { SavedSearch::kMaxFileBytes, SavedSearch::kMaxFileBytes + 1 }) {
        auto padded = PropertyList::toXML(PropertyValue(newer));
        padded.insert(padded.rfind("</plist>"), size - padded.size(), ' ');
        std::ofstream(search()) << padded;
        EXPECT_EQ(SavedSearch::savedSearchWithContentsOfFile(search()).has_value(), size == SavedSearch::kMaxFileBytes) << size;
    }
    // A file without CompatibleVersion (the older layout) is read by the host's PictureListCommandTest.
    writePropertyList(search(), { { "CompatibleVersion", 1 }, { "RawQuery", "true" }, { "SearchCriteria", older.at("SearchCriteria") } });
    EXPECT_FALSE(SavedSearch::savedSearchWithContentsOfFile(search())->searchScopes);
}

TEST_F(SavedSearchTest, PicturesAppearOnceResultsExistAndTheCursorWrapsWhenTheCountShrinks)
{
    start();
    frame();
    EXPECT_TRUE(mRequested.empty() && mView.pathCount() == 0u);

    for (const char* name : { "a.jpg", "b.jpg", "c.jpg", "d.jpg" })
        add(name);
    ASSERT_TRUE(countBecomes(4));
    for (int i = 0; i < 3; ++i)
        frame();
    EXPECT_EQ(mRequested, (Paths { at("a.jpg"), at("b.jpg"), at("c.jpg") }));

    std::filesystem::remove(at("c.jpg"));
    std::filesystem::remove(at("d.jpg"));
    ASSERT_TRUE(countBecomes(2));
    frame();
    EXPECT_EQ(mRequested.back(), at("a.jpg")) << "a cursor past the count starts again at the first result";

    moduleSettings().setInteger(1, SettingsKey::ImageOrder);
    mView.stopAnimation();
    start();
    const auto& query = *mView.liveImageQuery();
    srandom(11);
    const auto expected = query.resultPathAtIndex(static_cast<std::size_t>(uniformInteger(0, static_cast<int>(query.resultCount()) - 1)));
    srandom(11);
    mRequested.clear();
    frame();
    EXPECT_EQ(mRequested, (Paths { *expected }));
}

TEST_F(SavedSearchTest, AnUnreadableResultIsLoggedAndStaysAndStopThenStartMakesANewQuery)
{
    add("notes.txt");
    add("b.jpg");
    searchFor("kMDItemFSName == \"*.txt\"");
    LumivelGL::resetUnreadableImageCount();
    LogCapture log;
    start();
    frame();
    frame();
    EXPECT_EQ(mRequested, (Paths { at("notes.txt"), at("notes.txt") }));
    EXPECT_EQ(mView.liveImageQuery()->resultCount(), 1u);
    EXPECT_EQ(log.lines(), Paths(2, "Unable to load " + at("notes.txt") + "."));

    mView.stopAnimation();
    EXPECT_EQ(mView.liveImageQuery(), nullptr);
    searchFor("kMDItemFSName == \"*.jpg\"");
    mRequested.clear();
    start();
    frame();
    EXPECT_EQ(mRequested, (Paths { at("b.jpg") })) << "a new query from the file as it is now";
}

TEST_F(SavedSearchTest, ScopesNoPathCanHoldAreDroppedAndAQueryLeftWithoutOneFindsNothingAtOnce)
{
    add("a.jpg");
    add("sub/b.jpg");
    const std::string nul = "file://" + at("") + "%00";
    for (const auto& [scopes, failure, count] : std::vector<std::tuple<PropertyArray, SavedSearch::Failure, std::size_t>> {
             { { nul, "file://" + at("sub") + "%00/c" }, SavedSearch::Failure::NoUsableScope, 0 },
             { { nul, at("") }, SavedSearch::Failure::None, 2 } }) {
        writePropertyList(search(), { { "CompatibleVersion", 1 }, { "RawQuery", "true" }, { "RawQueryDict", PropertyDictionary { { "SearchScopes", scopes } } } });
        auto why = SavedSearch::Failure::Refused;
        const auto query = SavedSearch::queryForFile(search(), &why);
        ASSERT_TRUE(query);
        EXPECT_EQ(why, failure);
        query->execute();
        query->waitUntilGathered();
        EXPECT_EQ(query->resultCount(), count);
    }
}
