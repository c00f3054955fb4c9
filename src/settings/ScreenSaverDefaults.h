// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Color.h"
#include "settings/PropertyValue.h"
#include "settings/SettingsFile.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

// The per-module settings store. Each domain is one XML property list
// "<domain>.plist" in preferencesFolder(). A stored value always wins over a
// registered default; registered defaults are only a fallback and are never written.
// Between them sit the host's defaults: values another program keeps for its savers
// (xscreensaver's image folder), never written either. Above all sits the argument domain: values given on the command line for this
// run, also never written.
// The file is re-read whenever its identity (path, size, modification time) has
// changed, so a value another process wrote is seen at the next read. Writes are
// atomic (temporary file, fsync, rename) and serialised between processes by a lock
// file. A file that cannot be read is never replaced; a damaged one is moved aside
// by the next write, never by a read. Main thread only.
class ScreenSaverDefaults {
public:
    // The one store object of the domain in this process; it lives until exit.
    static ScreenSaverDefaults& defaultsForModuleWithName(const std::string& name);

    // ${XDG_CONFIG_HOME:-$HOME/.config}/skyvanes, evaluated at every use.
    static std::string preferencesFolder();

    // True for a name that can be a domain file in the preferences folder: not
    // empty, no '/', no leading dot, no control characters.
    static bool isValidDomainName(std::string_view name);

    const std::string& name() const { return mName; }
    std::string path() const;
    // Why the last write failed, else why the domain's file gave no settings at the
    // last read, as a sentence for the person; empty when all went well.
    std::string problem() const;

    // The argument's value, else the stored value, else the host's default, else the
    // registered default, else nothing.
    std::optional<PropertyValue> objectForKey(std::string_view key);

    // The layer objectForKey takes the key's value from now.
    enum class Layer {
        Argument,
        Stored,
        Host,
        Registered,
        None
    };
    Layer layerForKey(std::string_view key);
    // Data under the key; nothing when absent or not data.
    std::optional<PropertyData> dataForKey(std::string_view key);
    // 0 when absent; numbers are truncated, numeric strings parsed.
    std::int32_t integerForKey(std::string_view key);
    // NO when absent; YES for non-zero numbers and strings such as "YES", "true", "1".
    bool boolForKey(std::string_view key);
    // 0.0 when absent.
    float floatForKey(std::string_view key);

    // Each setter persists at once and returns false when the file could not be
    // written (the value then stays visible in this process only).
    bool setObject(const PropertyValue& value, std::string_view key);
    bool setInteger(std::int32_t value, std::string_view key);
    bool setBool(bool value, std::string_view key);
    bool setFloat(float value, std::string_view key);
    bool removeObjectForKey(std::string_view key);

    // Replaces the values that win over everything for this run; stores nothing.
    void setArgumentDomain(PropertyDictionary arguments);

    // Adds to the fallback layer; stores nothing.
    void registerDefaults(const PropertyDictionary& defaults);
    // Replaces the host's defaults, between the stored values and the registered
    // defaults; stores nothing.
    void setHostDefaults(PropertyDictionary defaults);

    // The colour archived under the key, or nothing when there is none or the data
    // under it is not a colour.
    std::optional<Color> colorForKey(std::string_view key);
    // Stores the colour as data; nothing removes the key.
    bool setColor(const std::optional<Color>& color, std::string_view key);

    // The stored values of the domain, without the registered defaults.
    PropertyDictionary persistentDomain();
    // True when the domain has a file in the preferences folder.
    bool hasPersistentDomain();
    // Deletes the domain's file; true when nothing is left of it.
    [[nodiscard]] bool removePersistentDomain();

private:
    explicit ScreenSaverDefaults(std::string name);

    struct FileIdentity {
        std::string path;
        bool exists { false };
        off_t size { 0 };
        struct timespec modified { };
        ino_t inode { 0 };
        bool operator==(const FileIdentity& other) const;
    };

    static FileIdentity identify(const std::string& path);
    void refresh();
    std::string readProblem(const std::string& file) const;
    bool refuseWrite(std::string problem);
    [[nodiscard]] bool modify(const std::function<void(PropertyDictionary&)>& change);

    std::string mName;
    PropertyDictionary mStored;
    PropertyDictionary mRegistered;
    PropertyDictionary mHost;
    PropertyDictionary mArguments;
    std::optional<FileIdentity> mLoaded;
    SettingsFile::State mState { SettingsFile::State::Missing };
    // Why the file gave no settings, to follow "The settings file <path> ".
    std::string mFileProblem;
    std::string mWriteProblem;
};
