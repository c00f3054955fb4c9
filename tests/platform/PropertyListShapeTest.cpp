// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PropertyList.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <cstdint>
#include <string>
#include <vector>

namespace {

std::optional<PropertyValue> parseBytes(const std::string& bytes)
{
    return PropertyList::parse(std::span<const char>(bytes.data(), bytes.size()));
}

void appendBigEndian(std::string& out, std::uint64_t value, int size)
{
    for (int i = size - 1; i >= 0; --i)
        out += static_cast<char>(value >> (8 * i));
}

// A binary list of count objects in which object i is an array of the references
// children(i), and the last is an empty array. References and offsets take 4 bytes.
std::string binaryList(std::uint64_t count, const std::function<std::vector<std::uint64_t>(std::uint64_t)>& children)
{
    std::string bytes = "bplist00";
    std::vector<std::uint64_t> offsets;
    for (std::uint64_t i = 0; i < count; ++i) {
        offsets.push_back(bytes.size());
        const auto refs = i + 1 < count ? children(i) : std::vector<std::uint64_t> {};
        bytes += static_cast<char>(0xA0 | refs.size());
        for (const auto ref : refs)
            appendBigEndian(bytes, ref, 4);
    }
    const std::uint64_t table = bytes.size();
    for (const auto offset : offsets)
        appendBigEndian(bytes, offset, 4);
    bytes.append(6, '\0');
    bytes += '\4';
    bytes += '\4';
    appendBigEndian(bytes, count, 8);
    appendBigEndian(bytes, 0, 8);
    appendBigEndian(bytes, table, 8);
    return bytes;
}

std::string xmlNesting(int depth, const std::string& between = "")
{
    std::string text = "<plist version=\"1.0\">";
    for (int i = 0; i < depth; ++i)
        text += "<array>" + between;
    for (int i = 0; i < depth; ++i)
        text += "</array>";
    return text + "</plist>";
}

}

TEST(PropertyListShape, DeepXMLIsRefusedBeforeItCanExhaustTheStack)
{
    EXPECT_TRUE(parseBytes(xmlNesting(PropertyList::kMaxDepth)));
    EXPECT_FALSE(parseBytes(xmlNesting(300000)));
    EXPECT_FALSE(parseBytes(xmlNesting(300000, "<!-- </array> --><![CDATA[</dict>]]>")))
        << "closings inside comments or character data do not count";
}

TEST(PropertyListShape, BinaryListsThatNestDeepLoopOrMultiplyAreRefused)
{
    const auto next = [](std::uint64_t i) { return std::vector<std::uint64_t> { i + 1 }; };
    EXPECT_TRUE(parseBytes(binaryList(100, next)));
    EXPECT_FALSE(parseBytes(binaryList(300000, next)));
    EXPECT_FALSE(parseBytes(binaryList(3, [](std::uint64_t) { return std::vector<std::uint64_t> { 0 }; }))) << "a cycle";

    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(parseBytes(binaryList(60, [](std::uint64_t i) { return std::vector<std::uint64_t> { i + 1, i + 1 }; })));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << "2^60 copies are never made";

    // Sharing within bounds is ordinary: writers store a repeated value once.
    const auto shared = parseBytes(binaryList(4, [](std::uint64_t i) { return std::vector<std::uint64_t> { i + 1, i + 1 }; }));
    ASSERT_TRUE(shared);
    ASSERT_TRUE(shared->array());
    EXPECT_EQ(shared->array()->size(), 2u);
}
