// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "host/DefaultsCommand.h"
#include "host/SettingsSchema.h"
#include "platform/ScreenSaverDefaults.h"
#include "platform/SettingsKeys.h"
#include "saver/SkyvanesView.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

TEST(SettingsSchema, AnArgumentWinsForTheRunIsNeverWrittenAndAMalformedOneIsIgnored)
{
    ScopedPreferences preferences;
    auto& store = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
    ASSERT_TRUE(store.setInteger(8, SettingsKey::ImageLimit));
    ASSERT_TRUE(store.setInteger(1, SettingsKey::ImageStyle));
    std::ostringstream warnings;
    store.setArgumentDomain(SettingsSchema::argumentDomain({ { "ImageLimit", "16" }, { "BackColor", "#202030" },
                                                               { "FlightSpeed", "250.5" }, { "SubDirs", "NO" },
                                                               { "ImageStyle", "one" }, { "ImageDir", "/p" } },
        warnings));
    EXPECT_EQ(store.integerForKey(SettingsKey::ImageLimit), 16);
    EXPECT_EQ(store.colorForKey(SettingsKey::BackColor)->toHex(), "#202030FF");
    EXPECT_EQ(store.floatForKey(SettingsKey::FlightSpeed), 250.5f);
    EXPECT_FALSE(store.boolForKey(SettingsKey::SubDirs));
    EXPECT_EQ(*store.objectForKey(SettingsKey::ImageDir)->string(), "/p");
    EXPECT_EQ(store.integerForKey(SettingsKey::ImageStyle), 1) << "the malformed argument must not hide the stored value";
    EXPECT_EQ(warnings.str(), "skyvanes: ignoring -ImageStyle one: not a whole number\n");
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

TEST(SettingsSchema, DefaultsWriteWarnsOnAnUnknownKeyOrARangeButStillWrites)
{
    ScopedPreferences preferences;
    struct Row {
        std::vector<std::string> words;
        bool warns;
    };
    for (const Row& row : std::vector<Row> { { { "Imagelimit", "-int", "5" }, true }, { { "ImageLimit", "-int", "-3" }, true },
             { { "ImageLimit", "33" }, true }, { { "ImageLimit", "32" }, false }, { { "Detail", "-int", "6" }, true },
             { { "FlightSpeed", "-float", "9.5" }, true }, { { "FlightSpeed", "-float", "10" }, false },
             { { "Source", "-int", "3" }, true }, { { "ImageOrder", "-int", "2" }, true }, { { "ImageStyle", "-int", "1" }, false },
             { { "BackColor", "-color", "#102030" }, false } }) {
        std::vector<std::string> arguments { "write", kModuleName };
        arguments.insert(arguments.end(), row.words.begin(), row.words.end());
        std::ostringstream out, err;
        EXPECT_EQ(DefaultsCommand::run(arguments, out, err), 0) << row.words[0];
        EXPECT_EQ(err.str().find("warning") != std::string::npos, row.warns) << row.words[0] << ' ' << row.words.back();
        EXPECT_TRUE(ScreenSaverDefaults::defaultsForModuleWithName(kModuleName).persistentDomain().contains(row.words[0]));
    }
    std::ostringstream out, err;
    EXPECT_EQ(DefaultsCommand::run({ "write", "org.other", "Imagelimit", "5" }, out, err), 0);
    EXPECT_EQ(err.str(), "") << "other domains hold other keys";
}

TEST(SettingsSchema, TheSettingsDialogOffersKnownKeysAtTheirRegisteredDefaults)
{
    ScopedPreferences preferences;
    SkyvanesView::initialize();
    auto& store = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
    std::ifstream in(SKYVANES_SOURCE_DIR "/resources/xscreensaver/skyvanes.xml");
    const std::string xml((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::regex argument(R"re(arg(?:-set|-unset)?="-([A-Za-z]+) ([^"]*)"(?:[^>]*default="([0-9.]+)")?)re");
    int numbers = 0;
    for (auto match = std::sregex_iterator(xml.begin(), xml.end(), argument); match != std::sregex_iterator(); ++match) {
        const std::string key = (*match)[1];
        const SettingSpec* spec = SettingsSchema::find(key);
        ASSERT_TRUE(spec) << key;
        EXPECT_TRUE((*match)[2] == "%" || SettingsSchema::parse(*spec, (*match)[2])) << key;
        if ((*match)[3].matched) {
            EXPECT_EQ(store.floatForKey(key), std::stof((*match)[3])) << key;
            ++numbers;
        }
    }
    EXPECT_EQ(numbers, 3);
}
