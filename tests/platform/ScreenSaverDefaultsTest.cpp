// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "platform/PropertyList.h"
#include "platform/ScreenSaverDefaults.h"

#include <gtest/gtest.h>

#include <tuple>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Each test gets its own domain name, since store objects live for the whole process.
class ScreenSaverDefaultsTest : public ::testing::Test {
protected:
    ScopedPreferences preferences;
    ScreenSaverDefaults& store = ScreenSaverDefaults::defaultsForModuleWithName("org.skyvanes.test" + std::to_string(++counter));
    static inline int counter = 0;
};

}

TEST_F(ScreenSaverDefaultsTest, StoredValueWinsOverRegisteredAndRemovalBringsTheDefaultBack)
{
    store.registerDefaults({ { "Limit", PropertyValue(8) }, { "Speed", PropertyValue(100.0) } });
    EXPECT_EQ(store.integerForKey("Limit"), 8);

    ASSERT_TRUE(store.setInteger(3, "Limit"));
    EXPECT_EQ(store.integerForKey("Limit"), 3);
    ASSERT_TRUE(store.removeObjectForKey("Limit"));
    EXPECT_EQ(store.integerForKey("Limit"), 8);

    // Registration is only a fallback: nothing of it reaches the file.
    ASSERT_TRUE(store.setBool(true, "Other"));
    EXPECT_EQ(PropertyList::readFile(store.path()), PropertyValue(PropertyDictionary { { "Other", PropertyValue(true) } }));
}

TEST_F(ScreenSaverDefaultsTest, TypedReadersConvertBetweenKindsAndReadAbsentKeysAsZeroNoAndNothing)
{
    store.setFloat(2.75f, "F");
    store.setObject(PropertyValue("42"), "S");
    store.setObject(PropertyValue("YES"), "Yes");
    EXPECT_EQ(std::tuple(store.integerForKey("F"), store.boolForKey("F"), store.integerForKey("S"), store.floatForKey("S"), store.boolForKey("Yes")),
        std::tuple(2, true, 42, 42.0f, true));
    EXPECT_EQ(std::tuple(store.integerForKey("Missing"), store.boolForKey("Missing"), store.floatForKey("Missing")), std::tuple(0, false, 0.0f));
    EXPECT_FALSE(store.objectForKey("Missing") || store.dataForKey("Missing") || store.colorForKey("Missing"));
}

TEST_F(ScreenSaverDefaultsTest, ColourComesBackExactlyAndNilRemovesIt)
{
    const Color odd { 0.1f, 1.0f / 3.0f, 0.987654f, 0.5f };
    ASSERT_TRUE(store.setColor(odd, "Back"));
    // Read through a fresh parse of the file, not only the cache.
    const auto onDisk = PropertyList::readFile(store.path());
    ASSERT_TRUE(onDisk && onDisk->find("Back") && onDisk->find("Back")->data());
    EXPECT_EQ(Color::unarchiveFromData(*onDisk->find("Back")->data()), odd);
    EXPECT_EQ(store.colorForKey("Back"), odd);

    ASSERT_TRUE(store.setColor(std::nullopt, "Back"));
    EXPECT_FALSE(store.colorForKey("Back") || store.objectForKey("Back"));

    store.setObject(PropertyValue(PropertyData { 1, 2, 3 }), "NotAColour");
    EXPECT_FALSE(store.colorForKey("NotAColour"));
}

TEST(ScreenSaverDefaults, ConcurrentWritersLoseNoKey)
{
    ScopedPreferences preferences;
    const std::string domain = "org.skyvanes.concurrent";
    std::vector<pid_t> children;
    for (int writer = 0; writer < 3; ++writer) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            auto& store = ScreenSaverDefaults::defaultsForModuleWithName(domain);
            bool ok = true;
            for (int i = 1; i <= 40; ++i)
                ok = store.setInteger(i, "Writer" + std::to_string(writer)) && ok;
            _exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    auto& store = ScreenSaverDefaults::defaultsForModuleWithName(domain);
    for (int writer = 0; writer < 3; ++writer)
        EXPECT_EQ(store.integerForKey("Writer" + std::to_string(writer)), 40);
    // No temporary file is left behind.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(preferences.folder()))
        files += entry.path().extension() == ".plist" ? 1 : 0;
    EXPECT_EQ(files, 1);
}
