// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/PictureListCommand.h"
#include "PhotoLibraryFixtures.h"
#include "TestSupport.h"
#include "host/AlbumListCommand.h"
#include "settings/PropertyList.h"
#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"
#include "saver/SkyvanesView.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <tuple>

TEST(PictureListCommand, ASavedSearchListsItsGatheredResultsOrSaysWhyItGivesNone)
{
    ScopedPreferences preferences;
    TemporaryFolder folder;
    folder.write("scope/b.jpg", "x");
    folder.write("scope/a.txt", "x");
    const auto search = folder.path() / "Pictures.savedSearch";
    SkyvanesView::initialize();
    auto& settings = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
    settings.setInteger(1, SettingsKey::Source);
    settings.setObject(PropertyValue(search.string()), SettingsKey::ImageDir);

    const PropertyDictionary root { { "RawQuery", R"(kMDItemFSName == "*.jpg")" },
        { "SearchCriteria", PropertyDictionary { { "FXScopeArrayOfPaths", PropertyArray { (folder.path() / "scope").string() } } } } };
    std::ofstream(search) << PropertyList::toXML(PropertyValue(root));
    std::ostringstream out, err;
    EXPECT_EQ(PictureListCommand::run(out, err), 0);
    EXPECT_EQ(std::pair(out.str(), err.str()), std::pair((folder.path() / "scope/b.jpg").string() + "\n", std::string("1 picture\n")));
    std::ostringstream nulls, count;
    EXPECT_EQ(PictureListCommand::run(nulls, count, true), 0);
    EXPECT_EQ(std::pair(nulls.str(), count.str()), std::pair((folder.path() / "scope/b.jpg").string() + '\0', std::string("1 picture\n")));

    std::ofstream(search) << PropertyList::toXML(PropertyValue(PropertyDictionary { { "RawQuery", "kMDItemFSName == (" } }));
    std::ostringstream none, why;
    EXPECT_EQ(PictureListCommand::run(none, why), 0);
    EXPECT_EQ(none.str(), "");
    EXPECT_EQ(why.str(), "0 pictures\nThe saved search " + search.string() + " holds a query expression that is not well formed.\n");
}

TEST(PictureListCommand, AnAlbumTagOrEventOfDigikamOrShotwellIsListedWithTheLibraryItCameFrom)
{
    ScopedPreferences preferences;
    TemporaryFolder home;
    ScopedEnvironment homeVariable("HOME", home.path().string());
    ScopedEnvironment dataVariable("XDG_DATA_HOME", "");
    SkyvanesView::initialize();
    auto& settings = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
    settings.setInteger(0, SettingsKey::Source);
    const auto list = [&](const std::string& album) {
        settings.setObject(PropertyValue(album), SettingsKey::Album);
        std::ostringstream out, err;
        EXPECT_EQ(PictureListCommand::run(out, err), 0);
        return std::pair(out.str(), err.str());
    };
    const auto albums = [] {
        std::ostringstream out, err;
        const int status = AlbumListCommand::run(out, err);
        return std::tuple(status, out.str(), err.str());
    };
    EXPECT_EQ(albums(), std::tuple(1, std::string(), std::string("The photo library is not found, nor a digiKam or Shotwell library.\n")));

    const auto pictures = home.path() / "Pictures";
    const auto digikam = (pictures / "digikam4.db").string();
    const auto shotwell = (home.path() / ".local/share/shotwell/data/photo.db").string();
    std::filesystem::create_directories(std::filesystem::path(shotwell).parent_path());
    writeShotwellLibrary(shotwell);
    EXPECT_EQ(list("Wedding"), std::pair(std::string("/p/w1.jpg\n/p/w2.jpg\n/p/w0.jpg\n"), "3 pictures\nAlbum source: the Shotwell library " + shotwell + "\n"));

    std::filesystem::create_directories(pictures);
    writeDigikamLibrary(digikam, pictures.string());
    EXPECT_EQ(albums(), std::tuple(0, std::string("Shotwell: 2023-07-09\nShotwell: 2023-07-09 (2)\nShotwell: 2023-07-10\nShotwell: Tag: Beach\nShotwell: Tag: Family\nShotwell: Tag: Family/Anna\nShotwell: Wedding\n"
                                                  "digiKam: Archive/Old\ndigiKam: Pictures\ndigiKam: Pictures/Holidays\ndigiKam: Pictures/Holidays/Sommer in Köln\ndigiKam: Tag: Family\ndigiKam: Tag: Family/Anna\n"),
                            std::string()));
    EXPECT_EQ(list("Shotwell: 2023-07-09 (2)"), std::pair(std::string("/p/late.jpg\n"), "1 picture\nAlbum source: the Shotwell library " + shotwell + "\n"));
    EXPECT_EQ(list("Shotwell: Tag: Family/Anna"), std::pair(std::string("/p/w2.jpg\n/p/next.jpg\n"), "2 pictures\nAlbum source: the Shotwell library " + shotwell + "\n"));
    EXPECT_EQ(list("digiKam: Pictures/Holidays/Sommer in Köln").first, (pictures / "Holidays/Sommer in Köln/dom.jpg").string() + "\n");
    EXPECT_EQ(list("digiKam: Tag: Family"), std::pair((pictures / "Holidays/a.jpg").string() + "\n", "1 picture\nAlbum source: the digiKam library " + digikam + "\n"));
    EXPECT_EQ(list("digiKam: Archive/Old").second, "0 pictures\nAlbum source: the digiKam library " + digikam + "\nThe digiKam collection \"Archive\" (volume AB12-CD34) is not mounted: its pictures are left out.\n");

    std::filesystem::resize_file(shotwell, 100);
    EXPECT_EQ(list("Shotwell: Wedding").second, "0 pictures\nAlbum source: the Shotwell library " + shotwell + "\nThe Shotwell library " + shotwell + " cannot be read: database disk image is malformed.\n");
}
