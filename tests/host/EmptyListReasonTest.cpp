// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/EmptyListReason.h"
#include "TestSupport.h"
#include "settings/PropertyList.h"
#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"

#include <gtest/gtest.h>

#include <fstream>

TEST(EmptyListReason, NamesWhyTheSourceGivesNothing)
{
    ScopedPreferences preferences;
    TemporaryFolder folder;
    std::ofstream(folder.path() / "file.jpg") << "x";
    std::ofstream(folder.path() / "bad.savedSearch") << "not a list";
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
             { 5, base, "The picture source 5 is not one of 0, 1 and 2." } }) {
        store.setArgumentDomain({ { SettingsKey::Source, row.source }, { SettingsKey::ImageDir, row.folder } });
        EXPECT_EQ(EmptyListReason::find().value_or(""), row.reason) << row.folder;
    }
    // A folder the user may not list gives nothing either (root lists every folder).
    std::filesystem::create_directory(folder.path() / "locked");
    std::filesystem::permissions(folder.path() / "locked", std::filesystem::perms::none);
    store.setArgumentDomain({ { SettingsKey::Source, 1 }, { SettingsKey::ImageDir, base + "/locked" } });
    EXPECT_EQ(asOrdinaryUser(folder.path(),
                  [&] { return EmptyListReason::find() == "The picture folder " + base + "/locked cannot be read (Permission denied)."; }),
        0);
    store.setArgumentDomain({});
}
