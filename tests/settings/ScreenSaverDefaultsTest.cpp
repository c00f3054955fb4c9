// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ScreenSaverDefaults.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

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
}
