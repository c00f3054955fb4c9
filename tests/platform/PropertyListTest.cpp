// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PropertyList.h"

#include <gtest/gtest.h>

namespace {
std::optional<PropertyValue> parseText(const std::string& text)
{
    return PropertyList::parse(std::span<const char>(text.data(), text.size()));
}
}

TEST(PropertyList, EveryKindSurvivesARoundTripThroughXML)
{
    PropertyDictionary inner { { "deep", PropertyValue(PropertyArray { PropertyValue(1), PropertyValue("two") }) } };
    const PropertyValue value(PropertyDictionary {
        { "string", PropertyValue("caf\xC3\xA9 & <tags>") },
        { "negative", PropertyValue(-12) },
        { "big", PropertyValue(std::int64_t { 1 } << 40) },
        { "real", PropertyValue(0.1) },
        { "yes", PropertyValue(true) },
        { "data", PropertyValue(PropertyData { 0, 255, 7 }) },
        { "dict", PropertyValue(inner) },
    });
    const auto parsed = parseText(PropertyList::toXML(value));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(*parsed, value);
}

TEST(PropertyList, HostileInputGivesNothing)
{
    EXPECT_FALSE(parseText(""));
    EXPECT_FALSE(parseText("not a property list"));
    EXPECT_FALSE(parseText("bplist00\xff\xff\xff"));
    std::string deep = "<plist version=\"1.0\">";
    for (int i = 0; i < 5000; ++i)
        deep += "<array>";
    EXPECT_FALSE(parseText(deep));
}
