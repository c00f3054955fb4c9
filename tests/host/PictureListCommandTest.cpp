// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/PictureListCommand.h"
#include "PhotoLibraryFixtures.h"
#include "TestSupport.h"
#include "host/AlbumListCommand.h"
#include "saver/SkyvanesView.h"
#include "settings/PropertyList.h"
#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"

#include <gtest/gtest.h>

#include <cstdlib>
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
    const std::string stored = "Picture folder " + search.string() + ": stored in the settings.\n";
    std::ostringstream out, err;
    EXPECT_EQ(PictureListCommand::run(out, err), 0);
    EXPECT_EQ(std::pair(out.str(), err.str()), std::pair((folder.path() / "scope/b.jpg").string() + "\n", stored + "1 picture\n"));
    std::ostringstream nulls, count;
    EXPECT_EQ(PictureListCommand::run(nulls, count, true), 0);
    EXPECT_EQ(std::pair(nulls.str(), count.str()), std::pair((folder.path() / "scope/b.jpg").string() + '\0', stored + "1 picture\n"));

    std::ofstream(search) << PropertyList::toXML(PropertyValue(PropertyDictionary { { "RawQuery", "kMDItemFSName == (" } }));
    std::ostringstream none, why;
    EXPECT_EQ(PictureListCommand::run(none, why), 0);
    EXPECT_EQ(none.str(), "");
    EXPECT_EQ(why.str(), stored + "0 pictures\nThe saved search " + search.string() + " holds a query expression that is not well formed.\n");
}

// The folder used with nothing stored, as a new user meets it: xscreensaver's image
// folder, else the XDG pictures folder, else ~/Pictures; --list says which and why.
TEST(PictureListCommand, SaysWhichFolderIsInForceAndWhy)
{
    TemporaryFolder home;
    home.write("Bilder/a.jpg", "x");
    home.write("Shots/b.jpg", "x");
    const std::string base = home.path().string();
    const auto firstLine = [&](const std::string& arguments) {
        const auto err = home.path() / "err.txt";
        const std::string command = "export HOME='" + base + "' XDG_CONFIG_HOME='" + base + "/config'; " + SKYVANES_BINARY + " " + arguments
            + " >/dev/null 2>'" + err.string() + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        std::string line;
        std::getline(std::ifstream(err), line);
        return line;
    };
    const std::string xdg = ": the XDG pictures folder (XDG_PICTURES_DIR in user-dirs.dirs), as none is stored.";
    const std::string xscreensaver = ": xscreensaver's image folder (imageDirectory in ~/.xscreensaver), as none is stored.";
    EXPECT_EQ(firstLine("--list"), "Picture folder " + base + "/Pictures: the default, as none is stored.");
    home.write("config/user-dirs.dirs", "# written by xdg-user-dirs-update\nXDG_PICTURES_DIR=\"$HOME/Bilder/\"\n");
    EXPECT_EQ(firstLine("--list"), "Picture folder " + base + "/Bilder" + xdg);
    // xdg-user-dirs points a removed folder at the home folder: that is no pictures folder.
    home.write("config/user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/\"\n");
    EXPECT_EQ(firstLine("--list"), "Picture folder " + base + "/Pictures: the default, as none is stored.");
    home.write("config/user-dirs.dirs", "XDG_PICTURES_DIR=\"" + base + "/Bilder\"\n");

    home.write(".xscreensaver", "mode:\t\trandom\nimageDirectory:\t" + base + "/Shots\n");
    EXPECT_EQ(firstLine("--list"), "Picture folder " + base + "/Shots" + xscreensaver);
    for (const std::string& ignored : { base + "/gone", std::string("https://example.org/pictures/") }) {
        home.write(".xscreensaver", "imageDirectory:\t" + ignored + "\n");
        EXPECT_EQ(firstLine("--list"), "Picture folder " + base + "/Bilder" + xdg) << ignored;
    }
    home.write(".xscreensaver", "imageDirectory: ~/Shots\n");
    EXPECT_EQ(firstLine("--list -ImageDir /elsewhere"), "Picture folder /elsewhere: given on the command line.");
    EXPECT_EQ(firstLine("defaults write org.skyvanes.Skyvanes ImageDir " + base + "/Bilder && " + SKYVANES_BINARY + " --list"),
        "Picture folder " + base + "/Bilder: stored in the settings.");
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
