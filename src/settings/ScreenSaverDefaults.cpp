// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ScreenSaverDefaults.h"

#include "platform/HomeFolder.h"
#include "platform/Log.h"
#include "settings/PropertyList.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <map>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::int32_t clampToInt32(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    if (value <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

// Parses like a string's integer value: leading blanks, an optional sign, digits; 0 otherwise.
double leadingNumber(const std::string& text)
{
    const char* start = text.c_str();
    char* end = nullptr;
    const double value = std::strtod(start, &end);
    return end == start ? 0.0 : value;
}

class FileLock {
public:
    explicit FileLock(const std::string& path)
    {
        mFd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (mFd >= 0 && ::flock(mFd, LOCK_EX) != 0) {
            ::close(mFd);
            mFd = -1;
        }
    }
    ~FileLock()
    {
        if (mFd >= 0)
            ::close(mFd);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool held() const { return mFd >= 0; }

private:
    int mFd { -1 };
};

}

bool ScreenSaverDefaults::FileIdentity::operator==(const FileIdentity& other) const
{
    return path == other.path && exists == other.exists && size == other.size && inode == other.inode
        && modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

ScreenSaverDefaults& ScreenSaverDefaults::defaultsForModuleWithName(const std::string& name)
{
    static std::map<std::string, std::unique_ptr<ScreenSaverDefaults>, std::less<>> stores;
    auto& store = stores[name];
    if (!store)
        store.reset(new ScreenSaverDefaults(name));
    return *store;
}

ScreenSaverDefaults::ScreenSaverDefaults(std::string name)
    : mName(std::move(name))
{
}

std::string ScreenSaverDefaults::preferencesFolder()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config && config[0] == '/') {
        base = config;
    } else {
        base = homeFolder() + "/.config";
    }
    return base + "/skyvanes";
}

bool ScreenSaverDefaults::isValidDomainName(std::string_view name)
{
    if (name.empty() || name.front() == '.' || name.size() > 200)
        return false;
    for (unsigned char c : name) {
        if (c == '/' || c < 0x20 || c == 0x7f)
            return false;
    }
    return true;
}

std::string ScreenSaverDefaults::path() const
{
    return preferencesFolder() + "/" + mName + ".plist";
}

ScreenSaverDefaults::FileIdentity ScreenSaverDefaults::identify(const std::string& path)
{
    FileIdentity identity;
    identity.path = path;
    struct stat info { };
    if (::stat(path.c_str(), &info) == 0) {
        identity.exists = true;
        identity.size = info.st_size;
        identity.modified = info.st_mtim;
        identity.inode = info.st_ino;
    }
    return identity;
}

std::string ScreenSaverDefaults::readProblem(const std::string& file) const
{
    if (mFileProblem.empty())
        return {};
    if (mFileProblem == SettingsFile::kCannotBeRead)
        return "Cannot read the settings file " + file + "; using the defaults.";
    return "The settings file " + file + " " + mFileProblem + "; using the defaults.";
}

std::string ScreenSaverDefaults::problem() const
{
    return mWriteProblem.empty() && mLoaded ? readProblem(mLoaded->path) : mWriteProblem;
}

void ScreenSaverDefaults::refresh()
{
    const FileIdentity current = identify(path());
    if (mLoaded && *mLoaded == current)
        return;
    SettingsFile::Contents contents = SettingsFile::read(current.path);
    // Reported once for as long as it lasts, however many reads and writes meet it.
    const bool news = contents.problem != mFileProblem;
    mStored = std::move(contents.values);
    mState = contents.state;
    mFileProblem = std::move(contents.problem);
    mLoaded = current;
    if (news && !mFileProblem.empty())
        Log::message(readProblem(current.path));
}

bool ScreenSaverDefaults::refuseWrite(std::string problem)
{
    if (problem != mWriteProblem)
        Log::message(problem);
    mWriteProblem = std::move(problem);
    return false;
}

bool ScreenSaverDefaults::modify(const std::function<void(PropertyDictionary&)>& change)
{
    const std::string file = path();
    std::error_code error;
    std::filesystem::create_directories(preferencesFolder(), error);

    FileLock lock(file + ".lock");
    // Under the lock, start from what is on disk now so another writer's keys survive.
    mLoaded.reset();
    refresh();
    change(mStored);
    const auto target = SettingsFile::writeTarget(file);
    if (!lock.held() || !target)
        return refuseWrite("Could not write the settings file " + file + ".");
    // Writing would replace every setting we could not see with only this one.
    if (mState == SettingsFile::State::Unreadable)
        return refuseWrite("The settings file " + file + " " + mFileProblem + "; nothing was written to it.");
    SettingsFile::removeStaleTemporaries(*target);
    if (mState == SettingsFile::State::Damaged) {
        const auto aside = SettingsFile::moveAside(*target);
        if (!aside)
            return refuseWrite("The damaged settings file " + *target + " could not be moved aside; nothing was written to it.");
        Log::message("The settings file " + *target + " " + mFileProblem + "; it was kept as " + *aside + " and the settings start empty.");
    }
    if (!SettingsFile::replace(*target, PropertyList::toXML(PropertyValue(mStored))))
        return refuseWrite("Could not write the settings file " + *target + ".");
    mWriteProblem.clear();
    mFileProblem.clear();
    mState = SettingsFile::State::Read;
    mLoaded = identify(file);
    return true;
}

std::optional<PropertyValue> ScreenSaverDefaults::objectForKey(std::string_view key)
{
    if (auto it = mArguments.find(key); it != mArguments.end())
        return it->second;
    refresh();
    if (auto it = mStored.find(key); it != mStored.end())
        return it->second;
    if (auto it = mHost.find(key); it != mHost.end())
        return it->second;
    if (auto it = mRegistered.find(key); it != mRegistered.end())
        return it->second;
    return std::nullopt;
}

ScreenSaverDefaults::Layer ScreenSaverDefaults::layerForKey(std::string_view key)
{
    if (mArguments.contains(key))
        return Layer::Argument;
    refresh();
    if (mStored.contains(key))
        return Layer::Stored;
    if (mHost.contains(key))
        return Layer::Host;
    return mRegistered.contains(key) ? Layer::Registered : Layer::None;
}

std::optional<PropertyData> ScreenSaverDefaults::dataForKey(std::string_view key)
{
    auto value = objectForKey(key);
    if (!value || !value->data())
        return std::nullopt;
    return *value->data();
}

std::int32_t ScreenSaverDefaults::integerForKey(std::string_view key)
{
    auto value = objectForKey(key);
    if (!value)
        return 0;
    if (auto* v = value->integer())
        return clampToInt32(static_cast<double>(*v));
    if (auto* v = value->real())
        return clampToInt32(*v);
    if (auto* v = value->boolean())
        return *v ? 1 : 0;
    if (auto* v = value->string())
        return clampToInt32(leadingNumber(*v));
    return 0;
}

bool ScreenSaverDefaults::boolForKey(std::string_view key)
{
    auto value = objectForKey(key);
    if (!value)
        return false;
    if (auto* v = value->boolean())
        return *v;
    if (auto* v = value->integer())
        return *v != 0;
    if (auto* v = value->real())
        return *v != 0.0;
    if (auto* v = value->string()) {
        std::size_t i = v->find_first_not_of(" \t\n");
        if (i == std::string::npos)
            return false;
        const char c = (*v)[i];
        if (c == 'Y' || c == 'y' || c == 'T' || c == 't')
            return true;
        return leadingNumber(*v) != 0.0;
    }
    return false;
}

float ScreenSaverDefaults::floatForKey(std::string_view key)
{
    auto value = objectForKey(key);
    if (!value)
        return 0.0f;
    if (auto* v = value->real())
        return static_cast<float>(*v);
    if (auto* v = value->integer())
        return static_cast<float>(*v);
    if (auto* v = value->boolean())
        return *v ? 1.0f : 0.0f;
    if (auto* v = value->string())
        return static_cast<float>(leadingNumber(*v));
    return 0.0f;
}

bool ScreenSaverDefaults::setObject(const PropertyValue& value, std::string_view key)
{
    return modify([&](PropertyDictionary& stored) { stored.insert_or_assign(std::string(key), value); });
}

bool ScreenSaverDefaults::setInteger(std::int32_t value, std::string_view key)
{
    return setObject(PropertyValue(static_cast<std::int64_t>(value)), key);
}

bool ScreenSaverDefaults::setBool(bool value, std::string_view key)
{
    return setObject(PropertyValue(value), key);
}

bool ScreenSaverDefaults::setFloat(float value, std::string_view key)
{
    return setObject(PropertyValue(static_cast<double>(value)), key);
}

bool ScreenSaverDefaults::removeObjectForKey(std::string_view key)
{
    return modify([&](PropertyDictionary& stored) {
        if (auto it = stored.find(key); it != stored.end())
            stored.erase(it);
    });
}

void ScreenSaverDefaults::setArgumentDomain(PropertyDictionary arguments)
{
    mArguments = std::move(arguments);
}

void ScreenSaverDefaults::setHostDefaults(PropertyDictionary defaults)
{
    mHost = std::move(defaults);
}

void ScreenSaverDefaults::registerDefaults(const PropertyDictionary& defaults)
{
    for (const auto& [key, value] : defaults)
        mRegistered.insert_or_assign(key, value);
}

std::optional<Color> ScreenSaverDefaults::colorForKey(std::string_view key)
{
    auto data = dataForKey(key);
    if (!data)
        return std::nullopt;
    return Color::unarchiveFromData(*data);
}

bool ScreenSaverDefaults::setColor(const std::optional<Color>& color, std::string_view key)
{
    if (!color)
        return removeObjectForKey(key);
    return setObject(PropertyValue(color->archivedData()), key);
}

PropertyDictionary ScreenSaverDefaults::persistentDomain()
{
    refresh();
    return mStored;
}

bool ScreenSaverDefaults::hasPersistentDomain()
{
    return identify(path()).exists;
}

bool ScreenSaverDefaults::removePersistentDomain()
{
    const std::string file = path();
    FileLock lock(file + ".lock");
    const bool removed = ::unlink(file.c_str()) == 0 || errno == ENOENT;
    mLoaded.reset();
    mStored.clear();
    return removed;
}
