// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "settings/ScreenSaverDefaults.h"

#include <gtest/gtest.h>

#include <fstream>

TEST(DefaultsCommand, WritesEachTypeSoTheStoreReadsItBack)
{
    ScopedPreferences preferences;
    const std::string domain = "org.skyvanes.cmd1";
    auto& store = ScreenSaverDefaults::defaultsForModuleWithName(domain);
    const std::pair<std::vector<std::string>, PropertyValue> rows[] = { { { "ImageDir", "/home/me/Photos" }, PropertyValue("/home/me/Photos") },
        { { "ImageLimit", "-int", "12" }, PropertyValue(12) }, { { "FlightSpeed", "-float", "250.5" }, PropertyValue(250.5) },
        { { "SubDirs", "-bool", "NO" }, PropertyValue(false) }, { { "B", "-bool", "YES" }, PropertyValue(true) },
        { { "B2", "-bool", "true" }, PropertyValue(true) } };
    for (const auto& [arguments, stored] : rows) {
        std::vector<std::string> command { "write", domain };
        command.insert(command.end(), arguments.begin(), arguments.end());
        ASSERT_EQ(runDefaults(command).status, 0) << arguments[0];
        EXPECT_EQ(store.objectForKey(arguments[0]), stored) << arguments[0];
    }
    const auto read = runDefaults({ "read", domain, "ImageLimit" });
    EXPECT_TRUE(read.status == 0 && read.out == "12\n");
}

TEST(DefaultsCommand, BadInputSaysWhyAndChangesNothingAndDeleteReportsWhatIsMissing)
{
    ScopedPreferences preferences;
    const std::string domain = "org.skyvanes.cmd2";
    ASSERT_EQ(runDefaults({ "write", domain, "ImageLimit", "-int", "8" }).status, 0);
    const auto file = preferences.folder() / (domain + ".plist");
    const std::string before = fileContents(file);

    const std::vector<std::vector<std::string>> bad { { "write", domain, "ImageLimit", "-int", "eight" }, { "write", domain, "ImageLimit", "-int", "99999999999" },
        { "write", domain, "FlightSpeed", "-float", "fast" }, { "write", domain, "FlightSpeed", "-float", "nan" }, { "write", domain, "SubDirs", "-bool", "maybe" },
        { "write", domain, "BackColor", "-color", "red" }, { "write", domain, "BackColor", "-color", "#12345" }, { "write", domain, "ImageLimit", "-number", "3" },
        { "write", domain, "ImageLimit" }, { "write", domain, "ImageLimit", "-int" }, { "write", "../escape", "Key", "value" }, { "frobnicate", domain }, {} };
    for (const auto& arguments : bad) {
        const auto outcome = runDefaults(arguments);
        EXPECT_TRUE(outcome.status != 0 && !outcome.err.empty()) << (arguments.size() > 3 ? arguments[3] : "");
    }
    EXPECT_EQ(fileContents(file), before);
    EXPECT_FALSE(std::filesystem::exists(preferences.folder().parent_path() / "escape.plist"));

    const auto status = [&](std::vector<std::string> arguments) { return runDefaults(arguments).status; };
    EXPECT_TRUE(status({ "read", "org.skyvanes.none" }) && status({ "delete", "org.skyvanes.none" })) << "no domain yet";
    ASSERT_FALSE(status({ "delete", domain }) || status({ "write", domain, "A", "1" }) || status({ "write", domain, "B", "2" }));
    EXPECT_TRUE(status({ "read", domain, "C" }) && status({ "delete", domain, "C" })) << "no such key";
    EXPECT_EQ(status({ "delete", domain, "A" }), 0);
    EXPECT_EQ(runDefaults({ "read", domain }).out, "{\n    B = \"2\";\n}\n");
    EXPECT_EQ(runDefaults({ "delete", domain }).status, 0);
    EXPECT_FALSE(std::filesystem::exists(preferences.folder() / (domain + ".plist")));
}
