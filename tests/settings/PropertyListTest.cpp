// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/PropertyList.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace {

std::optional<PropertyValue> parseText(const std::string& bytes)
{
    return PropertyList::parse(std::span<const char>(bytes.data(), bytes.size()));
}

// A binary list of count arrays in which array i holds the references children(i)
// and the last is empty; references and offsets take 4 bytes.
std::string binaryList(std::uint64_t count, const std::function<std::vector<std::uint64_t>(std::uint64_t)>& children)
{
    std::string bytes = "bplist00";
    std::vector<std::uint64_t> offsets;
    for (std::uint64_t i = 0; i < count; ++i) {
        offsets.push_back(bytes.size());
        const auto refs = i + 1 < count ? children(i) : std::vector<std::uint64_t> {};
        bytes += static_cast<char>(0xA0 | refs.size());
        for (const auto ref : refs)
            bytes += bigEndian(ref, 4);
    }
    const std::uint64_t table = bytes.size();
    for (const auto offset : offsets)
        bytes += bigEndian(offset, 4);
    return bytes + std::string(6, '\0') + "\4\4" + bigEndian(count, 8) + bigEndian(0, 8) + bigEndian(table, 8);
}

std::string repeated(const std::string& text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

}

TEST(PropertyList, ListsThatAreNoneNestDeepLoopOrMultiplyAreRefusedBeforeTheParserSeesThem)
{
    EXPECT_FALSE(parseText("bplist00\xff\xff\xff"));
    EXPECT_TRUE(parseText("<plist>" + repeated("<array>", PropertyList::kMaxDepth) + repeated("</array>", PropertyList::kMaxDepth) + "</plist>"));
    EXPECT_FALSE(parseText("<plist>" + repeated("<array><!-- </array> --><![CDATA[</dict>]]>", 300000) + repeated("</array>", 300000) + "</plist>"))
        << "closings inside comments or character data do not count";

    const auto twice = [](std::uint64_t i) { return std::vector<std::uint64_t> { i + 1, i + 1 }; };
    const auto shared = parseText(binaryList(4, twice));
    ASSERT_TRUE(shared && shared->array()) << "writers store a repeated value once";
    EXPECT_EQ(shared->array()->size(), 2u);
    EXPECT_FALSE(parseText(binaryList(300000, [](std::uint64_t i) { return std::vector<std::uint64_t> { i + 1 }; })));
    EXPECT_FALSE(parseText(binaryList(3, [](std::uint64_t) { return std::vector<std::uint64_t> { 0 }; }))) << "a cycle";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(parseText(binaryList(60, twice)));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << "2^60 copies are never made";
}

TEST(PropertyList, ANulCharacterIsRefusedRatherThanAbortingTheProgram)
{
    // A dictionary of one entry whose UTF-16 key is "e" with an accent then code unit u.
    const auto withKey = [](char u) {
        std::string bytes = std::string("bplist00\xD1\x01\x02\x62") + std::string(1, '\0') + "\xE9" + std::string(1, '\0') + u + "\x10\x01";
        return bytes + std::string("\x08\x0B\x10") + std::string(6, '\0') + "\1\1" + bigEndian(3, 8) + bigEndian(0, 8) + bigEndian(18, 8);
    };
    const auto fine = parseText(withKey('a'));
    ASSERT_TRUE(fine && fine->find("\xC3\xA9"
                                   "a"));
    EXPECT_FALSE(parseText(withKey('\0')));
    EXPECT_FALSE(parseText(std::string("<plist><dict><key>k</key><string>a\0b</string></dict></plist>", 60)));
}
