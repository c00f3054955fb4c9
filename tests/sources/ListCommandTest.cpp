// SPDX-License-Identifier: GPL-3.0-or-later
#include "SourceTestSupport.h"
#include "TestSupport.h"
#include "platform/PropertyList.h"
#include "sources/ImagePathList.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

struct ListOutput {
    std::vector<std::string> lines;
    std::string errors;
    int status { -1 };
};

// Runs `skyvanes --list` with the test's settings folder and home, as a person would.
ListOutput runList(const ScopedPreferences& preferences, const fs::path& home)
{
    TemporaryFolder scratch;
    const fs::path errors = scratch.path() / "stderr";
    const std::string command = "env XDG_CONFIG_HOME='" + preferences.folder().parent_path().string() + "' HOME='" + home.string()
        + "' '" SKYVANES_BINARY "' --list 2>'" + errors.string() + "'";
    ListOutput output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return output;
    std::string text;
    char buffer[4096];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        text.append(buffer, n);
    output.status = ::pclose(pipe);
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        output.lines.push_back(line);
    std::ifstream in(errors);
    std::getline(in, output.errors);
    return output;
}

}

TEST(ListCommand, PrintsTheFolderSourceInNameOrderAndCountsIt)
{
    ScopedPreferences preferences;
    TemporaryFolder pictures;
    for (const char* name : { "b.jpg", "a/1.jpg", ".hidden.jpg", "c.png" })
        pictures.write(name, "x");
    moduleSettings().setInteger(ImagePathList::kSourceFolder, SettingsKey::Source);
    moduleSettings().setObject(PropertyValue(pictures.path().string()), SettingsKey::ImageDir);

    const auto output = runList(preferences, pictures.path());
    EXPECT_EQ(output.status, 0);
    const auto at = [&](const char* name) { return (pictures.path() / name).string(); };
    EXPECT_EQ(output.lines, (std::vector<std::string> { at("a/1.jpg"), at("b.jpg"), at("c.png") }));
    EXPECT_EQ(output.errors, "3 pictures");
}

TEST(ListCommand, PrintsTheAlbumSourceInAlbumOrder)
{
    ScopedPreferences preferences;
    TemporaryFolder home;
    home.write("Photos/AlbumData.xml", R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
  <key>List of Albums</key><array>
    <dict><key>AlbumName</key><string>Summer</string>
      <key>KeyList</key><array><string>20</string><string>10</string><string>99</string></array></dict>
  </array>
  <key>Master Image List</key><dict>
    <key>10</key><dict><key>ImagePath</key><string>/pics/ten.jpg</string></dict>
    <key>20</key><dict><key>ImagePath</key><string>/pics/twenty.jpg</string></dict>
  </dict>
</dict></plist>)");
    fs::create_directories(home.path() / "Library/Preferences");
    PropertyDictionary iPhoto { { "RootDirectory", PropertyValue((home.path() / "Photos").string()) } };
    home.write("Library/Preferences/com.apple.iPhoto.plist", PropertyList::toXML(PropertyValue(iPhoto)));
    moduleSettings().setInteger(ImagePathList::kSourceAlbum, SettingsKey::Source);
    moduleSettings().setObject(PropertyValue("Summer"), SettingsKey::Album);

    const auto output = runList(preferences, home.path());
    EXPECT_EQ(output.status, 0);
    EXPECT_EQ(output.lines, (std::vector<std::string> { "/pics/twenty.jpg", "/pics/ten.jpg" }));
    EXPECT_EQ(output.errors, "2 pictures");
}
