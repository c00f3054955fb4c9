// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/WildcardPattern.h"
#include "FakeMimeDatabase.h"
#include "query/QueryExpression.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

namespace {

// The definition, tried every way: exponential, so only for short texts.
bool reference(std::u32string_view pattern, std::u32string_view value)
{
    if (pattern.empty())
        return value.empty();
    if (pattern[0] == U'*')
        return reference(pattern.substr(1), value) || (!value.empty() && reference(pattern, value.substr(1)));
    const bool escaped = pattern[0] == U'\\' && pattern.size() > 1;
    return !value.empty() && value[0] == pattern[escaped ? 1 : 0] && reference(pattern.substr(escaped ? 2 : 1), value.substr(1));
}

std::u32string randomText(const char32_t* alphabet, std::size_t letters, std::size_t length)
{
    std::u32string text;
    for (std::size_t i = 0, n = static_cast<std::size_t>(random()) % (length + 1); i < n; ++i)
        text.push_back(alphabet[static_cast<std::size_t>(random()) % letters]);
    return text;
}

}

TEST(WildcardPattern, AgreesWithTheDefinitionWholeAndFromEveryStart)
{
    srandom(22);
    for (int round = 0; round < 20000; ++round) {
        const std::u32string pattern = randomText(U"ab*\\", 4, 7);
        const std::u32string value = randomText(U"ab*\\", 4, 9);
        const WildcardPattern compiled(pattern);
        ASSERT_EQ(compiled.matches(value), reference(pattern, value)) << round;
        std::vector<std::size_t> starts;
        bool anyStart = false;
        for (std::size_t start = 0; start <= value.size() + 1; ++start) {
            if (random() % 2) {
                starts.push_back(start);
                anyStart = anyStart || (start <= value.size() && reference(pattern, std::u32string_view(value).substr(start)));
            }
        }
        ASSERT_EQ(compiled.matchesFromAnyOf(value, starts), anyStart) << round;
    }
}

TEST(WildcardPattern, AWordPatternAgainstALongHostilePathTakesLinearTime)
{
    std::string words;
    for (int i = 0; i < 500; ++i)
        words += "a/";
    std::string path = "/";
    while (path.size() < 4000)
        path += "a/";
    const auto expression = QueryExpression::expressionWithText("kMDItemPath == \"*" + words + "b\"w");
    ASSERT_TRUE(expression);
    FileAttributes::TypeCache types(std::make_shared<FakeMimeDatabase>());
    FileAttributes file(path + "a", types);
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_FALSE(expression->matches(file, {}));
    // Seconds before, well under a millisecond now; the bound leaves room for sanitizers.
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(500));
}
