// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A wildcard pattern of the query language: '*' stands for any run of characters
// and a backslash makes the next character literal. Matching takes time linear in
// the text and the pattern, whatever either holds, so a hostile name or pattern
// cannot stall a search.
class WildcardPattern {
public:
    explicit WildcardPattern(std::u32string_view pattern);

    // True when the pattern matches value whole.
    bool matches(std::u32string_view value) const;

    // True when it matches value.substr(start) whole for one of starts (offsets
    // into value; those past its end are passed over).
    bool matchesFromAnyOf(std::u32string_view value, const std::vector<std::size_t>& starts) const;

private:
    // A literal run with what a linear search for it needs.
    struct Part {
        std::u32string text;
        std::vector<std::size_t> border; // the longest proper border of each prefix
    };
    static Part partOf(std::u32string text);
    static std::size_t find(std::u32string_view text, std::size_t from, const Part& part);
    bool middlePartsFit(std::u32string_view value, std::size_t from) const;

    std::vector<Part> mParts; // the runs between stars, escapes resolved; one more than the stars
    std::vector<Part> mReversedMiddle; // the middle runs reversed, last first
    std::size_t mLiteralLength { 0 };
};
