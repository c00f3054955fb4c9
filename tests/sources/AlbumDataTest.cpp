// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/AlbumData.h"
#include "PhotoLibraryFixtures.h"
#include "TestSupport.h"
#include "saver/SkyvanesView.h"
#include "settings/PropertyList.h"
#include "sources/ImagePathList.h"
#include "sources/PlistXMLReader.h"

#include <gtest/gtest.h>
#include <plist/plist.h>

#include <sys/stat.h>

#include <cstring>

namespace {

using Strings = std::vector<std::string>;

// The shape a photo library writes: the DTD from the local disk, space indentation,
// a folder of albums with an album inside it, rolls beside the albums, and
// entities, character references and character data in the paths.
const char* const kLibraryFile = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist SYSTEM "file://localhost/System/Library/DTDs/PropertyList.dtd">
<plist version="1.0">
<dict>
    <key>List of Albums</key>
    <array>
        <dict>
            <key>AlbumName</key><string>Library</string><key>Master</key><true/>
            <key>KeyList</key><array><string>7</string><string>3</string><string>12</string></array>
        </dict>
        <dict><key>AlbumName</key><string>Trips</string><key>Album Type</key><string>Folder</string><key>KeyList</key><array/></dict>
        <dict><key>AlbumName</key><string>Zoo</string><key>Parent</key><integer>2</integer><key>KeyList</key><array><string>12</string><string>7</string></array></dict>
        <dict><key>AlbumName</key><string>Zoo</string><key>KeyList</key><array><string>3</string></array></dict>
        <dict><key>AlbumName</key><string>apple</string></dict>
    </array>
    <key>List of Rolls</key>
    <array><dict><key>RollName</key><string>Roll 1</string><key>KeyList</key><array><string>3</string></array></dict></array>
    <key>Master Image List</key>
    <dict>
        <key>3</key><dict><key>DateAsTimerInterval</key><real>158000000.5</real>
            <key>ImagePath</key><string>/pics/Anne&apos;s &quot;best&quot; &lt;3&gt; &amp; more.jpg</string></dict>
        <key>7</key><dict><key>ImagePath</key><string>/pics/caf&#xE9; cr&#232;me.jpg</string></dict>
        <key>12</key><dict><key>ImagePath</key><string><![CDATA[/pics/a&b.jpg]]></string></dict>
    </dict>
</dict>
</plist>
)";

const std::string kAnnes = "/pics/Anne's \"best\" <3> & more.jpg";
const std::string kCafe = "/pics/caf\xC3\xA9 cr\xC3\xA8me.jpg";
const std::string kAB = "/pics/a&b.jpg";

class AlbumDataTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SkyvanesView::initialize();
        moduleSettings().setInteger(ImagePathList::kSourceAlbum, SettingsKey::Source);
        mLibrary.write("AlbumData.xml", kLibraryFile);
    }

    std::optional<PropertyValue> parsed(const std::string& document)
    {
        return AlbumData::albumDataAtPath(mLibrary.write("Other.xml", document).string());
    }

    ScopedPreferences mPreferences;
    TemporaryFolder mHome;
    ScopedEnvironment mHomeVariable { "HOME", mHome.path().string() };
    TemporaryFolder mLibrary;
};

}

TEST_F(AlbumDataTest, ListsTheFirstAlbumOfAnExactNameInKeyOrderWithEntitiesResolved)
{
    writePhotoLibraryPreferences(mPreferences.folder(), mLibrary.path().string() + "/");
    EXPECT_EQ(albumPaths("Library"), (Strings { kCafe, kAnnes, kAB }));
    EXPECT_EQ(albumPaths("Zoo"), (Strings { kAB, kCafe }));

    EXPECT_EQ(albumPaths("zoo"), Strings {}) << "names match exactly";
    const auto data = AlbumData::iPhotoAlbumData();
    ASSERT_TRUE(data);
    const PropertyArray* trips = AlbumData::iPhotoKeyListForAlbum(*data, "Trips");
    EXPECT_TRUE(trips && trips->empty() && !AlbumData::iPhotoKeyListForAlbum(*data, "apple")) << "an empty key list is an empty album, not none";

    // The same library saved as a binary property list.
    plist_t tree = nullptr;
    plist_from_xml(kLibraryFile, static_cast<std::uint32_t>(std::strlen(kLibraryFile)), &tree);
    char* binary = nullptr;
    std::uint32_t length = 0;
    plist_to_bin(tree, &binary, &length);
    ASSERT_TRUE(binary);
    mLibrary.write("AlbumData.xml", std::string(binary, length));
    plist_to_bin_free(binary);
    plist_free(tree);
    EXPECT_EQ(albumPaths("Library"), (Strings { kCafe, kAnnes, kAB }));
}

TEST_F(AlbumDataTest, FindsTheLibraryOnlyThroughItsPreferencesUsedAsStored)
{
    writePhotoLibraryPreferences(mHome.path() / "Library/Preferences", mLibrary.path().string());
    EXPECT_EQ(albumPaths("Zoo"), (Strings { kAB, kCafe })) << "preferences in a home carried over";

    // Some editors begin both files with a byte-order mark.
    mLibrary.write("AlbumData.xml", "\xEF\xBB\xBF" + std::string(kLibraryFile));
    writePhotoLibraryPreferences(mPreferences.folder(), mLibrary.path().string(), "\xEF\xBB\xBF");
    EXPECT_EQ(albumPaths("Zoo"), (Strings { kAB, kCafe })) << "a byte-order mark";
}

TEST_F(AlbumDataTest, WrongTypesAnywhereCountAsMissingAndNeverStopTheRest)
{
    const auto data = parsed(R"(<plist><dict>
        <key>List of Albums</key><array>
            <dict><key>AlbumName</key><integer>4</integer><key>KeyList</key><array><string>a</string></array></dict>
            <dict><key>AlbumName</key><string>Odd</string><key>KeyList</key><array><integer>1</integer><string>gone</string><string>badpath</string><string>a</string><string>a</string></array></dict>
        </array>
        <key>Master Image List</key><dict>
            <key>a</key><dict><key>ImagePath</key><string>/p/a.jpg</string></dict>
            <key>1</key><dict><key>ImagePath</key><string>/p/1.jpg</string></dict>
            <key>badpath</key><dict><key>ImagePath</key><data>AAEC</data></dict>
        </dict></dict></plist>)");
    ASSERT_TRUE(data);
    EXPECT_EQ(AlbumData::iPhotoAlbumNames(*data), (Strings { "Odd" }));
    const PropertyArray* odd = AlbumData::iPhotoKeyListForAlbum(*data, "Odd");
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(AlbumData::imagePathsForKeys(*data, *odd), (Strings { "/p/a.jpg", "/p/a.jpg" }));
}

TEST_F(AlbumDataTest, DamagedOrHostileAlbumFilesGiveNothingWithoutCrashingOrHanging)
{
    const std::string whole = kLibraryFile;
    for (std::size_t length = 0; length + 1 < whole.size(); ++length)
        EXPECT_FALSE(PlistXMLReader::parse(std::string_view(whole).substr(0, length))) << "prefix of " << length;
    const auto album = [](const std::string& name) {
        return "<plist><dict><key>List of Albums</key><array><dict><key>AlbumName</key>" + name + "</dict></array></dict></plist>";
    };
    for (const std::string& damaged : { album("<string>&bogus;</string>"), album("<string>&#xD800;</string>"), album(""),
             album("<array></dict></array>"), album("<date>2009-02-13T23:2147483647:30Z</date>"), std::string("<plist><array/></plist>"), std::string("<plist><dict/></plist><dict/>") })
        EXPECT_FALSE(parsed(damaged)) << damaged;
    std::string deep = "<plist><dict><key>List of Albums</key>";
    for (int i = 0; i < 1000000; ++i)
        deep += "<array>";
    EXPECT_FALSE(parsed(deep + "</dict></plist>")) << "nesting is bounded, not left to the stack";

    EXPECT_FALSE(AlbumData::albumDataAtPath(mLibrary.path().string())) << "a folder";
    ASSERT_EQ(::mkfifo((mLibrary.path() / "pipe").c_str(), 0600), 0);
    EXPECT_FALSE(AlbumData::albumDataAtPath((mLibrary.path() / "pipe").string())) << "a pipe with no writer";
}
