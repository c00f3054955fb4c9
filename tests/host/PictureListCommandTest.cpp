// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "host/PictureListCommand.h"
#include "platform/PropertyList.h"
#include "platform/ScreenSaverDefaults.h"
#include "platform/SettingsKeys.h"
#include "saver/SkyvanesView.h"

#include <gtest/gtest.h>

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

    auto list = [](std::string& errors) {
        std::ostringstream out, err;
        EXPECT_EQ(PictureListCommand::run(out, err), 0);
        errors = err.str();
        return out.str();
    };
    const PropertyDictionary root { { "RawQuery", R"(kMDItemFSName == "*.jpg")" },
        { "SearchCriteria", PropertyDictionary { { "FXScopeArrayOfPaths", PropertyArray { (folder.path() / "scope").string() } } } } };
    std::ofstream(search) << PropertyList::toXML(PropertyValue(root));
    std::string errors;
    EXPECT_EQ(list(errors), (folder.path() / "scope/b.jpg").string() + "\n");
    EXPECT_EQ(errors, "1 picture\n");

    std::ofstream(search) << "damaged";
    EXPECT_EQ(list(errors), "");
    EXPECT_EQ(errors, "0 pictures\nThe saved search " + search.string() + " cannot be read as a property list with a dictionary at its root.\n");
    std::ofstream(search) << PropertyList::toXML(PropertyValue(PropertyDictionary { { "RawQuery", "kMDItemFSName == (" } }));
    list(errors);
    EXPECT_EQ(errors, "0 pictures\nThe saved search " + search.string() + " holds a query expression that is not well formed.\n");
}
