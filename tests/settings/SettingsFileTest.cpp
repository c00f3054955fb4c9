// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "settings/PropertyList.h"
#include "settings/ScreenSaverDefaults.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

const std::string kSettings = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                              "<key>ImageLimit</key><integer>7</integer></dict></plist>\n";

// A settings folder and a domain of its own, since store objects live for the whole process.
struct Fresh {
    ScopedPreferences preferences;
    std::string domain = "org.skyvanes.file" + std::to_string(++counter);
    fs::path file = (fs::create_directories(preferences.folder()), preferences.folder() / (domain + ".plist"));
    static inline int counter = 0;
};

std::vector<std::string> namesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}

TEST(SettingsFile, SettingsThatCannotBeReadAreNeverReplaced)
{
    Fresh fresh;
    const auto& [preferences, domain, file] = fresh;
    const int status = asOrdinaryUser(preferences.folder().parent_path(), [&] {
        std::ofstream(file) << kSettings;
        ::chmod(file.c_str(), 0);
        LogCapture log;
        auto& store = ScreenSaverDefaults::defaultsForModuleWithName(domain);
        // The settings sheet writes through the store; the command line too.
        return !store.setInteger(3, "ImageLimit") && runDefaults({ "write", domain, "Other", "1" }).status == 1 && runDefaults({ "read", domain }).status == 1
            && !log.lines().empty();
    });
    if (status == -1)
        GTEST_SKIP() << "no unprivileged user to test permissions with";
    EXPECT_EQ(status, 0);
    ::chmod(file.c_str(), 0600);
    EXPECT_EQ(fileContents(file), kSettings);
    EXPECT_EQ(namesIn(preferences.folder()), (std::vector<std::string> { domain + ".plist", domain + ".plist.lock" }));
}

TEST(SettingsFile, WhatIsNoSettingsFileIsReadAsNothingAndNeverReplaced)
{
    const std::vector<std::pair<const char*, std::function<void(const fs::path&)>>> cases {
        { "a pipe", [](const fs::path& p) { ::mkfifo(p.c_str(), 0600); } },
        { "a link to an endless device", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); } },
    };
    for (const auto& [what, make] : cases) {
        Fresh fresh;
        const auto& [preferences, domain, file] = fresh;
        make(file);
        const auto before = namesIn(preferences.folder());
        LogCapture log;
        auto& store = ScreenSaverDefaults::defaultsForModuleWithName(domain);
        EXPECT_EQ(store.integerForKey("ImageLimit"), 0) << what;
        EXPECT_EQ(runDefaults({ "read", domain }).status, 1) << what;
        EXPECT_FALSE(store.setInteger(3, "ImageLimit")) << what;
        EXPECT_EQ(log.lines().size(), 2u) << what << ": the read and the refused write, once each";
        EXPECT_TRUE(fs::exists(fs::symlink_status(file))) << what;
        auto after = namesIn(preferences.folder());
        std::erase(after, domain + ".plist.lock");
        EXPECT_EQ(after, before) << what << ": nothing moved aside";
    }
}

TEST(SettingsFile, OnlyAWriteMovesDamageAsideAndEachCopyIsKept)
{
    Fresh fresh;
    const auto& [preferences, domain, file] = fresh;
    const std::string huge = kSettings + std::string(std::size_t { 4 } << 20, ' ');
    const std::vector<std::string> damage { "<?xml version=\"1.0\"?><plist><dict><key>Back", huge, "" };
    auto& store = ScreenSaverDefaults::defaultsForModuleWithName(domain);
    LogCapture log;
    for (std::size_t i = 0; i < damage.size(); ++i) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << damage[i];
        EXPECT_EQ(store.integerForKey("ImageLimit"), 0) << i;
        EXPECT_EQ(runDefaults({ "read", domain }).status, 1) << i;
        EXPECT_EQ(fileContents(file), damage[i]) << i << ": a read leaves the file where it is";
        ASSERT_TRUE(store.setInteger(5, "ImageLimit")) << i;
    }
    EXPECT_EQ(log.lines().size(), 2 * damage.size()) << "each damage is reported once when read and once when moved";
    EXPECT_EQ(fileContents(file.string() + ".corrupt"), damage[0]);
    EXPECT_EQ(fileContents(file.string() + ".corrupt.2").size(), huge.size());
    EXPECT_TRUE(fs::exists(file.string() + ".corrupt.3"));
}

TEST(SettingsFile, AByteOrderMarkIsNoDamage)
{
    Fresh fresh;
    const auto& [preferences, domain, file] = fresh;
    std::ofstream(file, std::ios::binary) << "\xEF\xBB\xBF" << kSettings;
    EXPECT_EQ(runDefaults({ "read", domain }).status, 0);
    EXPECT_EQ(ScreenSaverDefaults::defaultsForModuleWithName(domain).integerForKey("ImageLimit"), 7);
    EXPECT_EQ(namesIn(preferences.folder()), std::vector<std::string> { domain + ".plist" });
}

TEST(SettingsFile, AWriteGoesThroughALinkAndSweepsUpAKilledWritersTemporary)
{
    Fresh fresh;
    const auto& [preferences, domain, file] = fresh;
    const fs::path dotfiles = preferences.folder().parent_path() / "dotfiles";
    fs::create_directories(dotfiles);
    std::ofstream(dotfiles / "skyvanes.xml") << kSettings;
    fs::create_symlink("../dotfiles/skyvanes.xml", file);
    // What a writer killed mid-write leaves, and names that only look alike.
    for (const char* name : { "skyvanes.xml.tmp-a1B2c3", "skyvanes.xml.tmp-toolong1", "other.xml.tmp-a1B2c3" })
        std::ofstream(dotfiles / name) << "partial";

    ASSERT_TRUE(ScreenSaverDefaults::defaultsForModuleWithName(domain).setBool(true, "SubDirs"));
    EXPECT_TRUE(fs::is_symlink(file));
    const auto target = PropertyList::readFile((dotfiles / "skyvanes.xml").string());
    ASSERT_TRUE(target && target->find("ImageLimit") && target->find("SubDirs"));
    EXPECT_EQ(namesIn(dotfiles), (std::vector<std::string> { "other.xml.tmp-a1B2c3", "skyvanes.xml", "skyvanes.xml.tmp-toolong1" }));
}
