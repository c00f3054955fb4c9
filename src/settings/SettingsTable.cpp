// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsTable.h"

#include "settings/SettingsKeys.h"

#include <limits>

namespace {

using Type = Setting::Type;
constexpr double kAny = std::numeric_limits<double>::infinity();

// In the order the README's table lists them.
constexpr Setting kSettings[] = {
    { SettingsKey::Source, Type::Integer, true, 1, nullptr, 0, 2, "mMatrixSource", true },
    { SettingsKey::ImageDir, Type::String, true, 0, "~/Pictures/", kAny, -kAny, "mFieldPath", true },
    { SettingsKey::SubDirs, Type::Boolean, true, 1, nullptr, kAny, -kAny, "mSwitchRecursive", true },
    { SettingsKey::Album, Type::String, true, 0, "Library", kAny, -kAny, "mPopupAlbum", true },
    { SettingsKey::ImageLimit, Type::Integer, true, 8, nullptr, 1, 32, "mSliderActive", true },
    { SettingsKey::ImageOrder, Type::Integer, false, 0, nullptr, 0, 1, "mMatrixOrder", true },
    { SettingsKey::ImageStyle, Type::Integer, false, 0, nullptr, 0, 1, "mMatrixStyle", true },
    { SettingsKey::FlightSpeed, Type::Real, true, 100, nullptr, 10, 400, "mSliderFlightSpeed", true },
    { SettingsKey::Detail, Type::Integer, true, 3, nullptr, 0, 5, "mSliderDetail", true },
    { SettingsKey::FrameRate, Type::Integer, true, 15, nullptr, kAny, -kAny, nullptr, true },
    { SettingsKey::BackColor, Type::Colour, false, 0, nullptr, kAny, -kAny, "mSwatchBackground", true },
};

PropertyValue defaultValue(const Setting& setting, const std::string& home)
{
    switch (setting.type) {
    case Type::Integer: return PropertyValue(static_cast<std::int64_t>(setting.defaultNumber));
    case Type::Real: return PropertyValue(setting.defaultNumber);
    case Type::Boolean: return PropertyValue(setting.defaultNumber != 0);
    case Type::String:
    case Type::Colour: break;
    }
    std::string text = setting.defaultText ? setting.defaultText : "";
    if (text.starts_with('~')) {
        // "~/Pictures/" loses its trailing slash on expansion, as a path-expanding call does.
        text = home + text.substr(1);
        while (text.size() > 1 && text.back() == '/')
            text.pop_back();
    }
    return PropertyValue(text);
}

}

std::span<const Setting> SettingsTable::all()
{
    return kSettings;
}

const Setting* SettingsTable::find(std::string_view key)
{
    for (const Setting& setting : kSettings) {
        if (key == setting.key)
            return &setting;
    }
    return nullptr;
}

PropertyDictionary SettingsTable::registeredDefaults(const std::string& home)
{
    PropertyDictionary defaults;
    for (const Setting& setting : kSettings) {
        if (setting.registered)
            defaults.emplace(setting.key, defaultValue(setting, home));
    }
    return defaults;
}
