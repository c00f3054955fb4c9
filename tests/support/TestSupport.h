// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed with everything in it.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return mPath; }
    // Writes bytes to a file below the folder, making its parent folders.
    std::filesystem::path write(const std::string& relative, const std::string& bytes) const;

private:
    std::filesystem::path mPath;
};

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

// Runs check in a child process as an unprivileged user that owns the folders, since
// root reads every file whatever its mode; its exit status (0 when check passed), or
// -1 when there is no such user to be.
int asOrdinaryUser(const std::filesystem::path& folder, const std::function<bool()>& check);

// What the program's `defaults` command gives for the words after "defaults".
struct DefaultsOutcome {
    int status;
    std::string out, err;
};
DefaultsOutcome runDefaults(const std::vector<std::string>& arguments);

// Polls condition every few milliseconds until it holds or the time is up; whether it held.
bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds within = std::chrono::seconds(10));

// value as its bytes most significant first, the last bytes of it.
inline std::string bigEndian(std::uint64_t value, int bytes)
{
    std::string out;
    for (int i = bytes - 1; i >= 0; --i)
        out += static_cast<char>(value >> (8 * i));
    return out;
}

// The whole content of a file; empty when it cannot be read.
std::string fileContents(const std::filesystem::path& path);

// Points XDG_CONFIG_HOME at a temporary folder for its lifetime, so tests never
// touch the person's own settings.
class ScopedPreferences {
public:
    std::filesystem::path folder() const { return mFolder.path() / "skyvanes"; }

private:
    TemporaryFolder mFolder;
    ScopedEnvironment mVariable { "XDG_CONFIG_HOME", mFolder.path().string() };
};

// Collects the lines the saver logs while it lives.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    const std::vector<std::string>& lines() const { return mLines; }

private:
    std::vector<std::string> mLines;
};

// The saver's own settings store.
inline ScreenSaverDefaults& moduleSettings()
{
    return ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
}
