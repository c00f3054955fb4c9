// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/WildcardPattern.h"

#include <algorithm>

WildcardPattern::WildcardPattern(std::u32string_view pattern)
{
    std::u32string run;
    for (std::size_t p = 0; p < pattern.size(); ++p) {
        if (pattern[p] == U'*') {
            mParts.push_back(partOf(std::move(run)));
            run.clear();
        } else if (pattern[p] == U'\\' && p + 1 < pattern.size()) {
            run.push_back(pattern[++p]);
        } else {
            run.push_back(pattern[p]);
        }
    }
    mParts.push_back(partOf(std::move(run)));
    for (std::size_t i = mParts.size() - 1; i-- > 1;)
        mReversedMiddle.push_back(partOf(std::u32string(mParts[i].text.rbegin(), mParts[i].text.rend())));
    for (const Part& part : mParts)
        mLiteralLength += part.text.size();
}

WildcardPattern::Part WildcardPattern::partOf(std::u32string text)
{
    Part part { std::move(text), {} };
    part.border.assign(part.text.size(), 0);
    for (std::size_t i = 1, k = 0; i < part.text.size(); ++i) {
        while (k > 0 && part.text[i] != part.text[k])
            k = part.border[k - 1];
        if (part.text[i] == part.text[k])
            ++k;
        part.border[i] = k;
    }
    return part;
}

std::size_t WildcardPattern::find(std::u32string_view text, std::size_t from, const Part& part)
{
    // Knuth-Morris-Pratt: no character of text is looked at more than twice.
    const std::u32string& needle = part.text;
    if (needle.empty())
        return from <= text.size() ? from : std::u32string_view::npos;
    for (std::size_t i = from, k = 0; i < text.size(); ++i) {
        while (k > 0 && text[i] != needle[k])
            k = part.border[k - 1];
        if (text[i] == needle[k])
            ++k;
        if (k == needle.size())
            return i + 1 - k;
    }
    return std::u32string_view::npos;
}

bool WildcardPattern::middlePartsFit(std::u32string_view value, std::size_t from) const
{
    // Each run as early as it can be is as good as any later place for what follows.
    const std::size_t end = value.size() - mParts.back().text.size();
    const std::u32string_view window = value.substr(0, end);
    for (std::size_t i = 1; i + 1 < mParts.size(); ++i) {
        const std::size_t at = find(window, from, mParts[i]);
        if (at == std::u32string_view::npos)
            return false;
        from = at + mParts[i].text.size();
    }
    return from <= end;
}

bool WildcardPattern::matches(std::u32string_view value) const
{
    if (mParts.size() == 1)
        return value == mParts.front().text;
    const std::u32string& first = mParts.front().text;
    const std::u32string& last = mParts.back().text;
    if (value.size() < mLiteralLength || !value.starts_with(first) || !value.ends_with(last))
        return false;
    return middlePartsFit(value, first.size());
}

bool WildcardPattern::matchesFromAnyOf(std::u32string_view value, const std::vector<std::size_t>& starts) const
{
    const std::size_t n = value.size();
    if (mParts.size() == 1) {
        const std::size_t start = n - std::min(n, mParts.front().text.size());
        return std::binary_search(starts.begin(), starts.end(), start) && matches(value.substr(start));
    }
    const Part& first = mParts.front();
    const std::u32string& last = mParts.back().text;
    if (n < mLiteralLength || !value.ends_with(last))
        return false;
    // The latest place the middle runs can begin: each as late as it can be, found
    // from the end in the reversed text. A start fits when its first run is there
    // and ends by that place.
    const std::u32string reversed(value.rbegin(), value.rend());
    std::size_t from = last.size();
    for (const Part& part : mReversedMiddle) {
        const std::size_t at = find(reversed, from, part);
        if (at == std::u32string_view::npos)
            return false;
        from = at + part.text.size();
    }
    const std::size_t latest = n - from;
    std::vector<bool> firstAt(n + 1, first.text.empty());
    if (!first.text.empty()) {
        // Every place of the first run in one pass, overlapping ones included.
        for (std::size_t i = 0, k = 0; i < n; ++i) {
            while (k > 0 && value[i] != first.text[k])
                k = first.border[k - 1];
            if (value[i] == first.text[k])
                ++k;
            if (k == first.text.size()) {
                firstAt[i + 1 - k] = true;
                k = first.border[k - 1];
            }
        }
    }
    return std::any_of(starts.begin(), starts.end(), [&](std::size_t start) { return start <= n && firstAt[start] && start + first.text.size() <= latest; });
}
