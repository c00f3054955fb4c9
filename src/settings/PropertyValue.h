// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

class PropertyValue;

using PropertyData = std::vector<std::uint8_t>;
using PropertyArray = std::vector<PropertyValue>;
// Keys sort by byte value, which is the order a property list's keys compare in.
using PropertyDictionary = std::map<std::string, PropertyValue, std::less<>>;

// One property-list value: string, integer, real, boolean, data, array or dictionary.
// Dates are carried as reals (seconds since 2001-01-01), which nothing here reads.
class PropertyValue {
public:
    using Storage = std::variant<std::string, std::int64_t, double, bool, PropertyData, PropertyArray, PropertyDictionary>;

    PropertyValue()
        : mValue(std::string())
    {
    }
    PropertyValue(std::string value)
        : mValue(std::move(value))
    {
    }
    PropertyValue(const char* value)
        : mValue(std::string(value))
    {
    }
    PropertyValue(std::int64_t value)
        : mValue(value)
    {
    }
    PropertyValue(int value)
        : mValue(static_cast<std::int64_t>(value))
    {
    }
    PropertyValue(double value)
        : mValue(value)
    {
    }
    PropertyValue(bool value)
        : mValue(value)
    {
    }
    PropertyValue(PropertyData value)
        : mValue(std::move(value))
    {
    }
    PropertyValue(PropertyArray value)
        : mValue(std::move(value))
    {
    }
    PropertyValue(PropertyDictionary value)
        : mValue(std::move(value))
    {
    }

    // Typed views: a pointer to the value when it has that type, null otherwise.
    const std::string* string() const { return std::get_if<std::string>(&mValue); }
    const std::int64_t* integer() const { return std::get_if<std::int64_t>(&mValue); }
    const double* real() const { return std::get_if<double>(&mValue); }
    const bool* boolean() const { return std::get_if<bool>(&mValue); }
    const PropertyData* data() const { return std::get_if<PropertyData>(&mValue); }
    const PropertyArray* array() const { return std::get_if<PropertyArray>(&mValue); }
    const PropertyDictionary* dictionary() const { return std::get_if<PropertyDictionary>(&mValue); }

    // The value under key when this is a dictionary holding it; null otherwise.
    const PropertyValue* find(std::string_view key) const;

    const Storage& storage() const { return mValue; }
    // For taking the contents out of a value about to be dropped.
    Storage& storage() { return mValue; }

    friend bool operator==(const PropertyValue&, const PropertyValue&) = default;

private:
    Storage mValue;
};
