// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "saver/SkyvanesView.h"
#include "settings/PropertyList.h"
#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"
#include "sources/ImagePathList.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

std::optional<std::string> whyEmpty()
{
    return ImagePathList::listImagePaths({}).whyEmpty;
}

}

TEST(EmptyListReason, NamesWhyTheSourceGivesNothing)
{
    // The registered defaults (SubDirs on) as the program has them, in a test run alone too.
    SkyvanesView::initialize();
    ScopedPreferences preferences;
    TemporaryFolder folder;
    std::ofstream(folder.path() / "file.jpg") << "x";
    std::ofstream(folder.path() / "bad.savedSearch") << "not a list";
    std::filesystem::create_directories(folder.path() / "empty/only/folders");
    std::ofstream(folder.path() / "nul.savedSearch") << PropertyList::toXML(PropertyValue(PropertyDictionary { { "RawQuery", "true" },
        { "SearchCriteria", PropertyDictionary { { "FXScopeArrayOfPaths", PropertyArray { "file:///tmp%00" } } } } }));
    auto& store = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
    struct Row {
        int source;
        std::string folder;
        std::string reason;
    };
    const std::string base = folder.path().string();
    for (const Row& row : std::vector<Row> {
             { 1, base, "" },
             { 1, base + "/gone", "The picture folder " + base + "/gone does not exist." },
             { 1, "~/Pictures", "The picture folder ~/Pictures does not exist (write the full path: '~' is not expanded)." },
             { 1, base + "/file.jpg", "The picture folder " + base + "/file.jpg is not a folder." },
             { 1, base + "/bad.savedSearch", "The saved search " + base + "/bad.savedSearch cannot be read as a property list with a dictionary at its root." },
             { 1, base + "/nul.savedSearch", "The saved search " + base + "/nul.savedSearch has no search scope that names a path (each holds a NUL byte)." },
             { 1, "", "No picture folder is set (ImageDir)." },
             { 0, base, "The photo library is not found." },
             { 5, base, "The picture source 5 is not one of 0, 1 and 2." },
             { 1, base + "/empty", "The picture folder " + base + "/empty holds no pictures." } }) {
        store.setArgumentDomain({ { SettingsKey::Source, row.source }, { SettingsKey::ImageDir, row.folder } });
        EXPECT_EQ(whyEmpty().value_or(""), row.reason) << row.folder;
    }
    // Left out, a subfolder's pictures are no pictures; the reason says where they may be.
    store.setArgumentDomain({ { SettingsKey::Source, 1 }, { SettingsKey::ImageDir, base + "/empty" }, { SettingsKey::SubDirs, false } });
    EXPECT_EQ(whyEmpty(), "The picture folder " + base + "/empty holds no pictures (SubDirs is off: its subfolders are not searched).");
    // A folder the user may not list gives nothing either (root lists every folder).
    std::filesystem::create_directory(folder.path() / "locked");
    std::filesystem::permissions(folder.path() / "locked", std::filesystem::perms::none);
    store.setArgumentDomain({ { SettingsKey::Source, 1 }, { SettingsKey::ImageDir, base + "/locked" } });
    EXPECT_EQ(asOrdinaryUser(folder.path(),
                  [&] { return whyEmpty() == "The picture folder " + base + "/locked cannot be read (Permission denied)."; }),
        0);
    store.setArgumentDomain({});
}
