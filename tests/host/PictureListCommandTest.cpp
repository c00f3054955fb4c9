// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/PictureListCommand.h"
#include "TestSupport.h"
#include "saver/SkyvanesView.h"
#include "settings/PropertyList.h"
#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

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
