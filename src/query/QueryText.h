// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The text side of query matching: UTF-8 folded for the c and d modifiers, and
// the words of a name.
class QueryText {
public:
    // The code points of text, lower-cased when caseless, with accents taken off
    // (é to e, Å to A) when diacriticless. Bytes that are not UTF-8 stay themselves.
    static std::u32string folded(std::string_view text, bool caseless, bool diacriticless);
    // The same into out, whose room is kept from one call to the next.
    static void fold(std::u32string& out, std::string_view text, bool caseless, bool diacriticless);

    // Where each word of value starts: after a character that is not a letter or
    // digit, and where a lower-case letter is followed by a capital ("summerBeach").
    static std::vector<std::size_t> wordStarts(std::u32string_view value);
};
