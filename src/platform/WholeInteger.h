// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <charconv>
#include <concepts>
#include <optional>
#include <string_view>

// The integer that the whole of text spells in base: digits, with a leading '-'
// only for a signed type; nothing when anything else is in the text (a '+', a
// space, a base prefix) or the number does not fit the type.
template <std::integral Integer>
std::optional<Integer> parseWholeInteger(std::string_view text, int base = 10)
{
    Integer value {};
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, base);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

// The value of one hexadecimal digit, either case; -1 for any other character.
constexpr int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
