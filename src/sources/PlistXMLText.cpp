// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/PlistXMLText.h"

#include "platform/WholeInteger.h"

#include <charconv>

namespace {

void appendUTF8(std::string& out, std::uint32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

}

std::string_view PlistXMLText::trimmed(std::string_view text)
{
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

namespace {

// The character of the entity called name (between '&' and ';') added to out;
// false for a name XML does not define or a character it cannot hold.
bool appendEntity(std::string& out, std::string_view name)
{
    static constexpr std::pair<std::string_view, char> kNamed[] = { { "lt", '<' }, { "gt", '>' }, { "amp", '&' }, { "quot", '"' }, { "apos", '\'' } };
    for (const auto& [entity, character] : kNamed) {
        if (name == entity) {
            out += character;
            return true;
        }
    }
    if (name.size() < 2 || name[0] != '#')
        return false;
    const bool hex = name[1] == 'x';
    const auto code = parseWholeInteger<std::uint32_t>(name.substr(hex ? 2 : 1), hex ? 16 : 10);
    if (!code || *code == 0 || *code > 0x10FFFF || (*code >= 0xD800 && *code <= 0xDFFF))
        return false;
    appendUTF8(out, *code);
    return true;
}

}

bool PlistXMLText::appendDecoded(std::string& out, std::string_view text)
{
    while (!text.empty()) {
        const std::size_t amp = text.find('&');
        out.append(text.substr(0, amp));
        if (amp == std::string_view::npos)
            return true;
        text.remove_prefix(amp + 1);
        const std::size_t semi = text.find(';');
        if (semi == std::string_view::npos || semi > 10)
            return false;
        const std::string_view name = text.substr(0, semi);
        text.remove_prefix(semi + 1);
        if (!appendEntity(out, name))
            return false;
    }
    return true;
}

std::optional<std::int64_t> PlistXMLText::parseInteger(std::string_view text)
{
    text = trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    // Unsigned first, as large unsigned values are legal in property lists; they
    // wrap into the signed type the value carries.
    const auto magnitude = parseWholeInteger<std::uint64_t>(text, base);
    if (!magnitude)
        return std::nullopt;
    const auto value = static_cast<std::int64_t>(*magnitude);
    return negative ? -value : value;
}

std::optional<double> PlistXMLText::parseReal(std::string_view text)
{
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    // from_chars, not strtod: the locale of the program must not change how "1.5" reads.
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<double> PlistXMLText::parseDate(std::string_view text)
{
    text = trimmed(text);
    int fields[6] = {};
    const char separators[] = { '-', '-', 'T', ':', ':', 'Z' };
    const char* at = text.data();
    const char* const end = text.data() + text.size();
    for (int i = 0; i < 6; ++i) {
        const auto [next, error] = std::from_chars(at, end, fields[i]);
        if (error != std::errc() || next == end || *next != separators[i])
            return std::nullopt;
        at = next + 1;
    }
    // A time of day out of its range is damage, and would overflow the sum below.
    if (at != end || fields[1] < 1 || fields[1] > 12 || fields[2] < 1 || fields[2] > 31 || fields[3] < 0 || fields[3] > 23
        || fields[4] < 0 || fields[4] > 59 || fields[5] < 0 || fields[5] > 60)
        return std::nullopt;
    const std::int64_t days = daysFromCivil(fields[0], static_cast<unsigned>(fields[1]), static_cast<unsigned>(fields[2]))
        - daysFromCivil(2001, 1, 1);
    return static_cast<double>(days * 86400 + std::int64_t { fields[3] } * 3600 + std::int64_t { fields[4] } * 60 + fields[5]);
}

std::optional<PropertyData> PlistXMLText::parseBase64(std::string_view text)
{
    PropertyData out;
    out.reserve(text.size() / 4 * 3);
    std::uint32_t bits = 0;
    int count = 0;
    bool padding = false;
    for (const char c : text) {
        int v;
        if (c >= 'A' && c <= 'Z')
            v = c - 'A';
        else if (c >= 'a' && c <= 'z')
            v = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            v = c - '0' + 52;
        else if (c == '+')
            v = 62;
        else if (c == '/')
            v = 63;
        else if (c == '=') {
            padding = true;
            continue;
        } else if (isSpace(c))
            continue;
        else
            return std::nullopt;
        if (padding)
            return std::nullopt;
        bits = (bits << 6) | static_cast<std::uint32_t>(v);
        if (++count == 4) {
            out.push_back(static_cast<std::uint8_t>(bits >> 16));
            out.push_back(static_cast<std::uint8_t>(bits >> 8));
            out.push_back(static_cast<std::uint8_t>(bits));
            bits = 0;
            count = 0;
        }
    }
    if (count == 1)
        return std::nullopt;
    if (count >= 2)
        out.push_back(static_cast<std::uint8_t>(bits >> (count == 2 ? 4 : 10)));
    if (count == 3)
        out.push_back(static_cast<std::uint8_t>(bits >> 2));
    return out;
}
