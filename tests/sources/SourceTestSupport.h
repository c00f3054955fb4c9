// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ScreenSaverDefaults.h"
#include "platform/SettingsKeys.h"

#include <cstdlib>
#include <optional>
#include <string>

// Sets an environment variable for its lifetime, restoring the old value after.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value)
        : mName(name)
    {
        if (const char* old = std::getenv(name))
            mOld = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment() { mOld ? ::setenv(mName, mOld->c_str(), 1) : ::unsetenv(mName); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* mName;
    std::optional<std::string> mOld;
};

inline ScreenSaverDefaults& moduleSettings() { return ScreenSaverDefaults::defaultsForModuleWithName(kModuleName); }
