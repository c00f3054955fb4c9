// SPDX-License-Identifier: GPL-3.0-or-later
#include "SourceTestSupport.h"
#include "TestSupport.h"
#include "platform/PropertyList.h"
#include "saver/SkyvanesView.h"
#include "sources/AlbumData.h"
#include "sources/ImagePathList.h"

#include <gtest/gtest.h>

#include <plist/plist.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

using Strings = std::vector<std::string>;

// The shape an older photo library writes: the DTD from the local disk, a folder of
// albums, an empty album, rolls, entities in paths and space indentation.
const char* const kLibraryFile = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist SYSTEM "file://localhost/System/Library/DTDs/PropertyList.dtd">
<plist version="1.0">
<dict>
    <key>Application Version</key><string>5.0.4 (263)</string>
    <key>List of Albums</key>
    <array>
        <dict>
            <key>AlbumId</key><integer>999000</integer>
            <key>AlbumName</key><string>Library</string>
            <key>Master</key><true/>
            <key>KeyList</key>
            <array>
                <string>7</string>
                <string>3</string>
                <string>12</string>
            </array>
        </dict>
        <dict>
            <key>AlbumName</key><string>Trips</string>
            <key>Album Type</key><string>Folder</string>
            <key>KeyList</key><array/>
        </dict>
        <dict>
            <key>AlbumName</key><string>Zoo</string>
            <key>Parent</key><integer>2</integer>
            <key>KeyList</key><array><string>12</string><string>7</string></array>
        </dict>
        <dict><key>AlbumName</key><string>apple</string><key>KeyList</key><array></array></dict>
        <dict><key>AlbumName</key><string>Zoo</string><key>KeyList</key><array><string>3</string></array></dict>
        <dict><key>AlbumName</key><string>No keys</string></dict>
    </array>
    <key>List of Rolls</key>
    <array>
        <dict><key>RollName</key><string>Roll 1</string><key>KeyList</key><array><string>3</string></array></dict>
    </array>
    <key>Master Image List</key>
    <dict>
        <key>3</key>
        <dict>
            <key>Caption</key><string>Rock &amp; roll</string>
            <key>ImagePath</key>
            <string>/home/anne/Pictures/iPhoto Library/2005/Anne&apos;s &quot;best&quot; &lt;3&gt;.jpg</string>
            <key>DateAsTimerInterval</key><real>158000000.5</real>
        </dict>
        <key>7</key>
        <dict>
            <key>ImagePath</key><string>/home/anne/Pictures/iPhoto Library/2005/caf&#xE9;.jpg</string>
            <key>ThumbPath</key><string>/home/anne/Pictures/iPhoto Library/Data/2005/caf&#233;.jpg</string>
        </dict>
        <key>12</key>
        <dict><key>ImagePath</key><string><![CDATA[/home/anne/Pictures/iPhoto Library/2005/a&b.jpg]]></string></dict>
    </dict>
</dict>
</plist>
)";

const std::string kAnnes = "/home/anne/Pictures/iPhoto Library/2005/Anne's \"best\" <3>.jpg";
const std::string kCafe = "/home/anne/Pictures/iPhoto Library/2005/caf\xC3\xA9.jpg";
const std::string kAB = "/home/anne/Pictures/iPhoto Library/2005/a&b.jpg";

class AlbumSourceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SkyvanesView::initialize();
        moduleSettings().setInteger(ImagePathList::kSourceAlbum, SettingsKey::Source);
        mLibrary.write("AlbumData.xml", kLibraryFile);
    }

    void pointAtLibrary(const std::string& root)
    {
        PropertyDictionary preferences { { "RootDirectory", PropertyValue(root) } };
        fs::create_directories(mPreferences.folder());
        std::ofstream(mPreferences.folder() / "com.apple.iPhoto.plist") << PropertyList::toXML(PropertyValue(preferences));
    }

    Strings albumPaths(const std::string& album)
    {
        moduleSettings().setObject(PropertyValue(album), SettingsKey::Album);
        return ImagePathList::loadImagePaths({});
    }

    static Strings keys(const PropertyArray* list)
    {
        Strings out;
        if (!list)
            return { "(no list)" };
        for (const auto& key : *list)
            out.push_back(key.string() ? *key.string() : "?");
        return out;
    }

    ScopedPreferences mPreferences;
    TemporaryFolder mHome;
    ScopedEnvironment mHomeVariable { "HOME", mHome.path().string() };
    TemporaryFolder mLibrary;
};

std::optional<PropertyValue> parsed(const std::string& document)
{
    TemporaryFolder folder;
    return AlbumData::albumDataAtPath(folder.write("AlbumData.xml", document).string());
}

}

TEST_F(AlbumSourceTest, ListsTheAlbumsPicturesInAlbumOrderWithEntitiesResolved)
{
    pointAtLibrary(mLibrary.path().string());
    EXPECT_EQ(albumPaths("Library"), (Strings { kCafe, kAnnes, kAB }));
    EXPECT_EQ(albumPaths("Zoo"), (Strings { kAB, kCafe })) << "the first album of a repeated name";
    EXPECT_EQ(albumPaths("apple"), Strings {});
    EXPECT_EQ(albumPaths("zoo"), Strings {}) << "names are case-sensitive";
    EXPECT_EQ(albumPaths("No keys"), Strings {});
}

TEST_F(AlbumSourceTest, NamesAreSortedByCharacterValueAndKeyListsFoundByExactName)
{
    pointAtLibrary(mLibrary.path().string() + "/");
    const auto data = AlbumData::iPhotoAlbumData();
    ASSERT_TRUE(data);
    EXPECT_EQ(AlbumData::iPhotoAlbumNames(*data), (Strings { "Library", "No keys", "Trips", "Zoo", "Zoo", "apple" }));
    EXPECT_EQ(keys(AlbumData::iPhotoKeyListForAlbum(*data, "Zoo")), (Strings { "12", "7" }));
    const PropertyArray* empty = AlbumData::iPhotoKeyListForAlbum(*data, "Trips");
    ASSERT_NE(empty, nullptr) << "an empty key list is a list";
    EXPECT_TRUE(empty->empty());
    EXPECT_EQ(AlbumData::iPhotoKeyListForAlbum(*data, "Nowhere"), nullptr);
    EXPECT_EQ(AlbumData::iPhotoKeyListForAlbum(*data, "No keys"), nullptr);
}

TEST_F(AlbumSourceTest, FindsTheLibraryOnlyThroughItsPreferencesUsedAsStored)
{
    EXPECT_FALSE(AlbumData::iPhotoAlbumData()) << "no preferences domain";
    EXPECT_EQ(albumPaths("Library"), Strings {});

    // A home folder carried over keeps the preferences under Library/Preferences.
    PropertyDictionary carried { { "RootDirectory", PropertyValue(mLibrary.path().string()) } };
    mHome.write("Library/Preferences/com.apple.iPhoto.plist", PropertyList::toXML(PropertyValue(carried)));
    EXPECT_EQ(albumPaths("Zoo").size(), 2u);

    // The settings folder's copy wins, and its root is not tilde-expanded.
    mHome.write("Lib/AlbumData.xml", kLibraryFile);
    pointAtLibrary("~/Lib");
    EXPECT_FALSE(AlbumData::iPhotoAlbumData());

    std::ofstream(mPreferences.folder() / "com.apple.iPhoto.plist") << PropertyList::toXML(PropertyValue(PropertyDictionary {}));
    EXPECT_FALSE(AlbumData::iPhotoAlbumData()) << "no RootDirectory";
}

TEST_F(AlbumSourceTest, WrongTypesAnywhereCountAsMissingAndNeverStopTheRest)
{
    const auto data = parsed(R"(<plist><dict>
        <key>List of Albums</key><array>
            <string>not an album</string>
            <dict><key>AlbumName</key><integer>4</integer><key>KeyList</key><array><string>a</string></array></dict>
            <dict><key>AlbumName</key><string>Odd</string><key>KeyList</key><array>
                <integer>1</integer><string>gone</string><string>norecord</string><string>nopath</string>
                <string>badpath</string><string>a</string><dict/><string>a</string></array></dict>
            <dict><key>AlbumName</key><string>Flat</string><key>KeyList</key><string>a</string></dict>
        </array>
        <key>Master Image List</key><dict>
            <key>a</key><dict><key>ImagePath</key><string>/p/a.jpg</string></dict>
            <key>1</key><dict><key>ImagePath</key><string>/p/1.jpg</string></dict>
            <key>norecord</key><string>just a string</string>
            <key>nopath</key><dict><key>Caption</key><string>x</string></dict>
            <key>badpath</key><dict><key>ImagePath</key><data>AAEC</data></dict>
        </dict></dict></plist>)");
    ASSERT_TRUE(data);
    EXPECT_EQ(AlbumData::iPhotoAlbumNames(*data), (Strings { "Flat", "Odd" }));
    const PropertyArray* odd = AlbumData::iPhotoKeyListForAlbum(*data, "Odd");
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(AlbumData::imagePathsForKeys(*data, *odd), (Strings { "/p/a.jpg", "/p/a.jpg" }));
    EXPECT_EQ(AlbumData::iPhotoKeyListForAlbum(*data, "Flat"), nullptr);

    const auto noMaster = parsed("<plist><dict><key>Master Image List</key><array/></dict></plist>");
    ASSERT_TRUE(noMaster);
    EXPECT_EQ(AlbumData::imagePathsForKeys(*noMaster, *odd), Strings {});
    EXPECT_EQ(AlbumData::iPhotoAlbumNames(*noMaster), Strings {});
}

TEST_F(AlbumSourceTest, ABinaryAlbumFileReadsLikeTheXMLOne)
{
    plist_t tree = nullptr;
    plist_from_xml(kLibraryFile, static_cast<std::uint32_t>(std::strlen(kLibraryFile)), &tree);
    ASSERT_NE(tree, nullptr);
    char* bytes = nullptr;
    std::uint32_t length = 0;
    plist_to_bin(tree, &bytes, &length);
    plist_free(tree);
    ASSERT_NE(bytes, nullptr);
    mLibrary.write("AlbumData.xml", std::string(bytes, length));
    std::free(bytes);

    pointAtLibrary(mLibrary.path().string());
    EXPECT_EQ(albumPaths("Library"), (Strings { kCafe, kAnnes, kAB }));
}

TEST_F(AlbumSourceTest, AlbumFilesThatAreNotPropertyListsGiveNothing)
{
    const std::string whole = kLibraryFile;
    for (const std::string& damaged : { std::string(), std::string("<plist><array/></plist>"), whole.substr(0, whole.size() / 2) })
        EXPECT_FALSE(parsed(damaged)) << damaged;
    EXPECT_FALSE(AlbumData::albumDataAtPath(mLibrary.path().string())) << "a folder is not an album file";
    EXPECT_FALSE(AlbumData::albumDataAtPath("/dev/zero"));
}
