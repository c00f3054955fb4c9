// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/SettingsSchema.h"
#include "TestSupport.h"
#include "saver/SkyvanesView.h"
#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"

#include <gtest/gtest.h>

#include <set>

TEST(SettingsSchema, AnArgumentWinsForTheRunIsNeverWrittenAndAMalformedOneIsIgnored)
{
    ScopedPreferences preferences;
    auto& store = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
    ASSERT_TRUE(store.setInteger(8, SettingsKey::ImageLimit));
    ASSERT_TRUE(store.setInteger(1, SettingsKey::ImageStyle));
    std::ostringstream warnings;
    store.setArgumentDomain(SettingsSchema::argumentDomain(
        { { "ImageLimit", "16" }, { "BackColor", "#202030" }, { "SubDirs", "NO" }, { "ImageStyle", "one" }, { "Detail", "9" } }, warnings));
    EXPECT_EQ(store.integerForKey(SettingsKey::ImageLimit), 16);
    EXPECT_EQ(store.colorForKey(SettingsKey::BackColor)->toHex(), "#202030FF");
    EXPECT_FALSE(store.boolForKey(SettingsKey::SubDirs));
    EXPECT_EQ(store.integerForKey(SettingsKey::ImageStyle), 1) << "the malformed argument must not hide the stored value";
    EXPECT_EQ(store.integerForKey(SettingsKey::Detail), 9);
    EXPECT_EQ(warnings.str(), "skyvanes: ignoring -ImageStyle one: not a whole number\n"
                              "skyvanes: warning: Detail is outside 0 to 5, the range the settings offer\n");
    // A write during the run still goes to the file, the argument still wins, and
    // nothing of the arguments reaches the file.
    ASSERT_TRUE(store.setInteger(4, SettingsKey::ImageLimit));
    EXPECT_EQ(store.integerForKey(SettingsKey::ImageLimit), 16);
    const PropertyDictionary stored = store.persistentDomain();
    EXPECT_EQ(stored.size(), 2u);
    EXPECT_EQ(*stored.at(SettingsKey::ImageLimit).integer(), 4);
    store.setArgumentDomain({});
    EXPECT_EQ(store.integerForKey(SettingsKey::ImageLimit), 4);
}

TEST(SettingsSchema, DefaultsWriteWarnsOnAnUnknownKeyATypeOrARangeButStillWrites)
{
    ScopedPreferences preferences;
    struct Row {
        std::vector<std::string> words;
        bool warns;
    };
    for (const Row& row : std::vector<Row> { { { "Imagelimit", "-int", "5" }, true }, { { "ImageLimit", "-int", "-3" }, true },
             { { "ImageLimit", "32" }, false }, { { "BackColor", "#202030" }, true }, { { "Source", "folder" }, true },
             { { "BackColor", "-color", "#202030" }, false }, { { "SubDirs", "no" }, false } }) {
        std::vector<std::string> arguments { "write", kModuleName };
        arguments.insert(arguments.end(), row.words.begin(), row.words.end());
        const auto outcome = runDefaults(arguments);
        EXPECT_EQ(outcome.status, 0) << row.words[0];
        EXPECT_EQ(outcome.err.find("warning") != std::string::npos, row.warns) << row.words[0] << ' ' << row.words.back();
        EXPECT_TRUE(ScreenSaverDefaults::defaultsForModuleWithName(kModuleName).persistentDomain().contains(row.words[0]));
    }
}

TEST(SettingsSchema, TheXscreensaverDialogOffersTheTablesSettingsWithTheirRangesAndDefaults)
{
    const std::string file = fileContents(SKYVANES_SOURCE_DIR "/resources/xscreensaver/skyvanes.xml");
    // Each option the dialog can add: arg, arg-set or arg-unset="-Key value", the value a slider's "%".
    std::set<std::string> offered;
    for (std::size_t at = file.find(" arg"); at != std::string::npos; at = file.find(" arg", at + 1)) {
        const std::size_t begin = file.find('"', at) + 1, end = file.find('"', begin), space = file.find(' ', begin);
        if (file[begin] != '-' || file[begin + 1] == '-' || space > end)
            continue; // --root and -fps set nothing
        const std::string key = file.substr(begin + 1, space - begin - 1), given = file.substr(space + 1, end - space - 1);
        const Setting* setting = SettingsTable::find(key);
        ASSERT_TRUE(setting) << key;
        EXPECT_TRUE(setting->inXscreensaverDescription) << key;
        EXPECT_TRUE(given == "%" || SettingsSchema::parse(*setting, given)) << key;
        offered.insert(key);
        // A slider passes nothing at its default, so its default must be the setting's own.
        const std::size_t element = file.rfind('<', at), close = file.find("/>", at);
        const std::string tag = file.substr(element, close - element);
        for (const auto& [attribute, expected] : { std::pair { "low", setting->min }, { "high", setting->max }, { "default", setting->defaultNumber } }) {
            // A setting that takes any value may be offered over a range of the dialog's choosing.
            const bool ranged = setting->min <= setting->max || std::string_view(attribute) == "default";
            const std::string mark = std::string(" ") + attribute + "=\"";
            if (const std::size_t found = tag.find(mark); ranged && found != std::string::npos) {
                EXPECT_EQ(std::stod(tag.substr(found + mark.size())), expected) << key << ' ' << attribute;
            }
        }
    }
    for (const Setting& setting : SettingsTable::all())
        EXPECT_EQ(offered.contains(setting.key), setting.inXscreensaverDescription) << setting.key;
}
