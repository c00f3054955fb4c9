// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/PictureListCommand.h"
#include "TestSupport.h"
#include "settings/PropertyList.h"
#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"
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
