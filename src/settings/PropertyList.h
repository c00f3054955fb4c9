// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/PropertyValue.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

// Reading and writing property lists (XML or binary) through libplist.
// Every failure is a value: nothing, never an exception or a crash.
class PropertyList {
public:
    // The value held by the bytes, XML or binary; nothing when they are not a
    // property list or nest deeper than kMaxDepth.
    static std::optional<PropertyValue> parse(std::span<const char> bytes);

    // The value of the file at path; nothing when it cannot be read or parsed.
    static std::optional<PropertyValue> readFile(const std::string& path);

    // The value as an XML property list document.
    static std::string toXML(const PropertyValue& value);

    static constexpr int kMaxDepth = 256;
    // UTF-8's byte-order mark, skipped before an XML document.
    static constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
};
