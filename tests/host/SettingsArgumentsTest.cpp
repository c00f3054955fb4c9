// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "host/DefaultsCommand.h"
#include "host/EmptyListReason.h"
#include "host/SettingsSchema.h"
#include "platform/ScreenSaverDefaults.h"
#include "platform/SettingsKeys.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

TEST(SettingsArguments, AnArgumentWinsForTheRunIsNeverWrittenAndAMalformedOneIsIgnored)
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

TEST(SettingsArguments, DefaultsWriteWarnsOnAnUnknownKeyOrARangeButStillWrites)
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

TEST(SettingsArguments, AnEmptySourceIsExplained)
{
    ScopedPreferences preferences;
    TemporaryFolder folder;
    std::ofstream(folder.path() / "file.jpg") << "x";
    std::ofstream(folder.path() / "bad.savedSearch") << "not a list";
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
             { 1, base + "/bad.savedSearch", "The saved search " + base + "/bad.savedSearch cannot be read." },
             { 1, "", "No picture folder is set (ImageDir)." },
             { 0, base, "The photo library is not found." },
             { 5, base, "The picture source 5 is not one of 0, 1 and 2." } }) {
        store.setArgumentDomain({ { SettingsKey::Source, row.source }, { SettingsKey::ImageDir, row.folder } });
        EXPECT_EQ(EmptyListReason::find().value_or(""), row.reason) << row.folder;
    }
    store.setArgumentDomain({});
}
