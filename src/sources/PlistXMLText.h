// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/PropertyValue.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The character data of an XML property list's elements turned into values.
// Every function refuses what is malformed rather than guessing at it.
class PlistXMLText {
public:
    // XML white space: space, tab, line feed, carriage return. Inline: the
    // tokenizer asks it of every character between tags.
    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

    // text without the white space at either end.
    static std::string_view trimmed(std::string_view text);

    // Appends text with its entity references replaced; false on a malformed or
    // unknown reference, so a damaged file is refused rather than half-read.
    static bool appendDecoded(std::string& out, std::string_view text);

    // An <integer>: optional sign, decimal or 0x-hexadecimal digits; values above
    // the signed range wrap, as large unsigned values are legal.
    static std::optional<std::int64_t> parseInteger(std::string_view text);

    // A <real>, read the same whatever the program's locale.
    static std::optional<double> parseReal(std::string_view text);

    // A <date>, "YYYY-MM-DDTHH:MM:SSZ", as seconds since 2001-01-01, the epoch
    // property lists count from.
    static std::optional<double> parseDate(std::string_view text);

    // The bytes of a <data> element's base64 text (white space allowed).
    static std::optional<PropertyData> parseBase64(std::string_view text);
};
