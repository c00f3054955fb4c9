// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "host/DefaultsCommand.h"
#include "platform/ScreenSaverDefaults.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {
struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome run(std::vector<std::string> arguments)
{
    std::ostringstream out, err;
    const int status = DefaultsCommand::run(arguments, out, err);
    return { status, out.str(), err.str() };
}

std::string fileText(const std::filesystem::path& path)
{
    std::ifstream in(path);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}
}

TEST(DefaultsCommand, WritesEachTypeSoTheStoreReadsItBack)
{
    ScopedPreferences preferences;
    const std::string domain = "org.skyvanes.cmd1";
    ASSERT_EQ(run({ "write", domain, "ImageDir", "/home/me/Photos" }).status, 0);
    ASSERT_EQ(run({ "write", domain, "ImageLimit", "-int", "12" }).status, 0);
    ASSERT_EQ(run({ "write", domain, "FlightSpeed", "-float", "250.5" }).status, 0);
    ASSERT_EQ(run({ "write", domain, "SubDirs", "-bool", "NO" }).status, 0);
    ASSERT_EQ(run({ "write", domain, "BackColor", "-color", "#336699" }).status, 0);

    auto& store = ScreenSaverDefaults::defaultsForModuleWithName(domain);
    EXPECT_EQ(*store.objectForKey("ImageDir")->string(), "/home/me/Photos");
    EXPECT_EQ(store.integerForKey("ImageLimit"), 12);
    EXPECT_EQ(store.floatForKey("FlightSpeed"), 250.5f);
    EXPECT_FALSE(store.boolForKey("SubDirs"));
    const auto colour = store.colorForKey("BackColor");
    ASSERT_TRUE(colour);
    EXPECT_EQ(colour->toHex(), "#336699FF");

    const auto read = run({ "read", domain, "ImageLimit" });
    EXPECT_EQ(read.status, 0);
    EXPECT_EQ(read.out, "12\n");
    for (const char* truth : { "YES", "true", "1" }) {
        ASSERT_EQ(run({ "write", domain, "B", "-bool", truth }).status, 0);
        EXPECT_TRUE(store.boolForKey("B")) << truth;
    }
}

TEST(DefaultsCommand, BadInputSaysWhyAndChangesNothing)
{
    ScopedPreferences preferences;
    const std::string domain = "org.skyvanes.cmd2";
    ASSERT_EQ(run({ "write", domain, "ImageLimit", "-int", "8" }).status, 0);
    const auto file = preferences.folder() / (domain + ".plist");
    const std::string before = fileText(file);

    for (const auto& bad : std::vector<std::vector<std::string>> {
             { "write", domain, "ImageLimit", "-int", "eight" },
             { "write", domain, "ImageLimit", "-int", "99999999999" },
             { "write", domain, "FlightSpeed", "-float", "fast" },
             { "write", domain, "FlightSpeed", "-float", "nan" },
             { "write", domain, "SubDirs", "-bool", "maybe" },
             { "write", domain, "BackColor", "-color", "red" },
             { "write", domain, "BackColor", "-color", "#12345" },
             { "write", domain, "ImageLimit", "-number", "3" },
             { "write", domain, "ImageLimit" },
             { "write", "../escape", "Key", "value" },
             { "frobnicate", domain },
             {} }) {
        const auto outcome = run(bad);
        EXPECT_NE(outcome.status, 0) << (bad.size() > 3 ? bad[3] : "");
        EXPECT_FALSE(outcome.err.empty());
    }
    EXPECT_EQ(fileText(file), before);
    EXPECT_FALSE(std::filesystem::exists(preferences.folder().parent_path() / "escape.plist"));
}

TEST(DefaultsCommand, DeletesKeysAndDomainsAndReportsWhatIsMissing)
{
    ScopedPreferences preferences;
    const std::string domain = "org.skyvanes.cmd3";
    EXPECT_NE(run({ "read", domain }).status, 0);
    EXPECT_NE(run({ "delete", domain }).status, 0);
    ASSERT_EQ(run({ "write", domain, "A", "1" }).status, 0);
    ASSERT_EQ(run({ "write", domain, "B", "2" }).status, 0);
    EXPECT_NE(run({ "read", domain, "C" }).status, 0);
    EXPECT_NE(run({ "delete", domain, "C" }).status, 0);
    EXPECT_EQ(run({ "delete", domain, "A" }).status, 0);
    EXPECT_EQ(run({ "read", domain }).out, "{\n    B = \"2\";\n}\n");
    EXPECT_EQ(run({ "delete", domain }).status, 0);
    EXPECT_FALSE(std::filesystem::exists(preferences.folder() / (domain + ".plist")));
}
