// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
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

// Points XDG_CONFIG_HOME at a temporary folder for its lifetime, so tests never
// touch the person's own settings.
class ScopedPreferences {
public:
    ScopedPreferences();
    ~ScopedPreferences();
    std::filesystem::path folder() const; // the skyvanes preferences folder inside it

private:
    TemporaryFolder mFolder;
    std::string mOldValue;
    bool mHadValue { false };
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
