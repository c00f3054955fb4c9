// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/QueryText.h"

namespace {

using namespace std::literals;

// The base letters of U+00C0 to U+017F, '\0' where there is none.
constexpr std::string_view kLatinBase = "AAAAAAACEEEEIIII"
                                        "DNOOOOO\0OUUUUY\0s"
                                        "aaaaaaaceeeeiiii"
                                        "dnooooo\0ouuuuy\0y"
                                        "AaAaAaCcCcCcCcDd"
                                        "DdEeEeEeEeEeGgGg"
                                        "GgGgHhHhIiIiIiIi"
                                        "IiJjJjKkkLlLlLlL"
                                        "lLlNnNnNnnNnOoOo"
                                        "OoOoRrRrRrSsSsSs"
                                        "SsTtTtTtUuUuUuUu"
                                        "UuUuWwYyYZzZzZzs"sv;

char32_t decode(std::string_view text, std::size_t& at)
{
    const auto byte = static_cast<unsigned char>(text[at]);
    int length = byte < 0x80 ? 1 : (byte >> 5) == 0x6 ? 2
        : (byte >> 4) == 0xE                          ? 3
        : (byte >> 3) == 0x1E                         ? 4
                                                      : 0;
    if (length == 0 || at + static_cast<std::size_t>(length) > text.size()) {
        ++at;
        return byte;
    }
    char32_t point = length == 1 ? byte : byte & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + static_cast<std::size_t>(i)]);
        if ((next & 0xC0) != 0x80) {
            ++at;
            return byte;
        }
        point = (point << 6) | (next & 0x3F);
    }
    at += static_cast<std::size_t>(length);
    return point;
}

char32_t lower(char32_t c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB) || (c >= 0x410 && c <= 0x42F))
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F)
        return c + 0x50;
    if (c == 0x178)
        return 0xFF;
    const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x138 && c != 0x149 && ((c % 2 == 1) == oddUpper))
        return c + 1;
    return c;
}

bool isAlphanumeric(char32_t c)
{
    if (c < 0x80)
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    // Outside ASCII every letter-like code point counts, punctuation being rare in names.
    return c != 0xA0 && !(c >= 0x2000 && c <= 0x206F) && !(c >= 0x3000 && c <= 0x303F);
}

}

std::u32string QueryText::folded(std::string_view text, bool caseless, bool diacriticless)
{
    std::u32string result;
    fold(result, text, caseless, diacriticless);
    return result;
}

void QueryText::fold(std::u32string& result, std::string_view text, bool caseless, bool diacriticless)
{
    result.clear();
    result.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        char32_t c = decode(text, at);
        if (diacriticless) {
            if (c >= 0x300 && c <= 0x36F)
                continue; // a combining accent
            if (c >= 0xC0 && c <= 0x17F && kLatinBase[c - 0xC0] != '\0')
                c = static_cast<unsigned char>(kLatinBase[c - 0xC0]);
        }
        result.push_back(caseless ? lower(c) : c);
    }
}

std::vector<std::size_t> QueryText::wordStarts(std::u32string_view value)
{
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (!isAlphanumeric(value[i]))
            continue;
        const bool afterBreak = i == 0 || !isAlphanumeric(value[i - 1]);
        const bool camel = i > 0 && value[i] >= U'A' && value[i] <= U'Z' && value[i - 1] >= U'a' && value[i - 1] <= U'z';
        if (afterBreak || camel)
            starts.push_back(i);
    }
    return starts;
}
