// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/SettingsSchema.h"

#include "platform/Color.h"
#include "platform/WholeInteger.h"
#include "settings/SettingsKeys.h"

#include <cmath>
#include <cstdlib>
#include <sstream>

namespace {

using Type = Setting::Type;

// The number the store's typed readers see in the value; nothing for data and containers.
std::optional<double> numberIn(const PropertyValue& value)
{
    if (auto* v = value.integer())
        return static_cast<double>(*v);
    if (auto* v = value.real())
        return *v;
    if (auto* v = value.boolean())
        return *v ? 1.0 : 0.0;
    if (auto* v = value.string())
        return std::strtod(v->c_str(), nullptr);
    return std::nullopt;
}

std::string formatted(double number)
{
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << number;
    return out.str();
}

std::optional<double> parseNumber(const std::string& text, bool whole)
{
    if (whole) {
        const auto integer = parseWholeInteger<std::int32_t>(text);
        return integer ? std::optional<double>(*integer) : std::nullopt;
    }
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    double value = 0;
    in >> value;
    if (text.empty() || in.fail() || !in.eof() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// Whether the store's typed reader finds a value of the setting's kind: a colour only
// in a colour's data, a text only in a string, a number or a boolean in numbers,
// booleans and strings that spell one.
bool readableAs(const Setting& setting, const PropertyValue& value)
{
    if (const std::string* text = value.string()) {
        if (setting.type == Type::Boolean)
            return SettingsSchema::parse(setting, *text) || (!text->empty() && std::string_view("YyNnTtFf").find(text->front()) != std::string_view::npos);
        return setting.type == Type::String || ((setting.type == Type::Integer || setting.type == Type::Real) && parseNumber(*text, false));
    }
    if (setting.type == Type::Colour)
        return value.data() && Color::unarchiveFromData(*value.data());
    return setting.type != Type::String && (value.integer() || value.real() || value.boolean());
}

}

std::optional<std::string> SettingsSchema::check(std::string_view key, const PropertyValue& value)
{
    const Setting* setting = SettingsTable::find(key);
    if (!setting)
        return std::string(key) + " is not a setting of " + kModuleName + "; the saver will not read it";
    static constexpr const char* kKinds[] = { "a text", "a whole number", "a number", "a boolean", "a colour (write it with -color)" };
    if (!readableAs(*setting, value))
        return std::string(key) + " is not " + kKinds[static_cast<int>(setting->type)] + "; the saver will not read it as one";
    if (setting->min > setting->max)
        return std::nullopt;
    const auto number = numberIn(value);
    if (number && *number >= setting->min && *number <= setting->max)
        return std::nullopt;
    return std::string(key) + " is outside " + formatted(setting->min) + " to " + formatted(setting->max) + ", the range the settings offer";
}

std::optional<PropertyValue> SettingsSchema::parse(const Setting& setting, const std::string& text)
{
    switch (setting.type) {
    case Type::String:
        return PropertyValue(text);
    case Type::Integer:
        if (auto number = parseNumber(text, true))
            return PropertyValue(static_cast<std::int64_t>(*number));
        return std::nullopt;
    case Type::Real:
        if (auto number = parseNumber(text, false))
            return PropertyValue(*number);
        return std::nullopt;
    case Type::Boolean:
        if (text == "YES" || text == "true" || text == "1")
            return PropertyValue(true);
        if (text == "NO" || text == "false" || text == "0")
            return PropertyValue(false);
        return std::nullopt;
    case Type::Colour:
        if (auto colour = Color::fromHex(text))
            return PropertyValue(colour->archivedData());
        return std::nullopt;
    }
    return std::nullopt;
}

PropertyDictionary SettingsSchema::argumentDomain(const std::vector<std::pair<std::string, std::string>>& arguments,
    std::ostream& warnings)
{
    static constexpr const char* kTypeNames[] = { "text", "whole number", "number", "boolean (YES, NO, true, false, 1 or 0)",
        "colour (#RRGGBB or #RRGGBBAA)" };
    PropertyDictionary domain;
    for (const auto& [key, text] : arguments) {
        const Setting* setting = SettingsTable::find(key);
        auto value = setting ? parse(*setting, text) : std::nullopt;
        if (!value) {
            warnings << "skyvanes: ignoring -" << key << ' ' << text << ": not a "
                     << (setting ? kTypeNames[static_cast<int>(setting->type)] : "setting") << '\n';
            continue;
        }
        // Taken as given, like a stored value out of range, but not without a word.
        if (auto warning = check(key, *value))
            warnings << "skyvanes: warning: " << *warning << '\n';
        domain.insert_or_assign(key, *value);
    }
    return domain;
}
