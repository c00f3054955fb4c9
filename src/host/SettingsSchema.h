// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/PropertyValue.h"
#include "settings/SettingsTable.h"

#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Checks of what a person writes or passes against the settings table, never
// changing what the saver reads.
class SettingsSchema {
public:
    // A warning for a value written under key in the saver's domain: an unknown key,
    // or a number outside the sheet's range. Nothing when all is well.
    static std::optional<std::string> check(std::string_view key, const PropertyValue& value);

    // The argument domain for the settings given on the command line; a key whose
    // text is not of its type is left out with a warning on warnings, a value outside
    // the sheet's range is kept with one.
    static PropertyDictionary argumentDomain(const std::vector<std::pair<std::string, std::string>>& arguments,
        std::ostream& warnings);

    // The typed value of text given for the setting; nothing when text is not of its type.
    static std::optional<PropertyValue> parse(const Setting& setting, const std::string& text);
};
