// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PropertyList.h"
#include "sources/PlistXMLReader.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* const kEveryType = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<!-- written by hand -->
<plist version="1.0">
<dict>
	<key>text</key><string>a &lt;b&gt; &amp; &#x263A; &#9731;</string>
	<key>empty</key><string/>
	<key>negative</key><integer>-42</integer>
	<key>large</key><integer>9000000000</integer>
	<key>real</key><real>-1.25e3</real>
	<key>date</key><date>2006-03-04T05:06:07Z</date>
	<key>data</key><data>
		SGVsbG8s
		IHdvcmxk
	</data>
	<key>yes</key><true/>
	<key>no</key><false/>
	<key>nested</key><array><dict/><array/><dict><key>k</key><string>v</string></dict></array>
</dict>
</plist>
)";

std::string nested(int depth)
{
    std::string text = "<plist>";
    for (int i = 0; i < depth; ++i)
        text += "<array>";
    for (int i = 0; i < depth; ++i)
        text += "</array>";
    return text + "</plist>";
}

}

TEST(PlistXMLReader, ReadsEveryTypeAsLibplistDoes)
{
    const auto ours = PlistXMLReader::parse(kEveryType);
    const auto theirs = PropertyList::parse(std::string(kEveryType));
    ASSERT_TRUE(ours);
    ASSERT_TRUE(theirs);
    EXPECT_EQ(*ours, *theirs);
    EXPECT_EQ(*ours->find("text")->string(), "a <b> & \xE2\x98\xBA \xE2\x98\x83");
    EXPECT_EQ(*ours->find("date")->real(), 163141567.0) << "seconds since 2001-01-01";
}

TEST(PlistXMLReader, RefusesEveryTruncationAndDamageWithoutCrashing)
{
    const std::string whole = kEveryType;
    for (std::size_t length = 0; length + 1 < whole.size(); ++length)
        EXPECT_FALSE(PlistXMLReader::parse(std::string_view(whole).substr(0, length))) << "prefix of " << length;
    for (const char* damaged : {
             "<plist><dict><key>a</key></dict></plist>",
             "<plist><dict><string>no key</string></dict></plist>",
             "<plist><dict><key>a</key><string>x</string><key>b</key></dict></plist>",
             "<plist><array></dict></plist>",
             "<plist><string>a &bogus; b</string></plist>",
             "<plist><string>&#0;</string></plist>",
             "<plist><string>&#xD800;</string></plist>",
             "<plist><integer>12ab</integer></plist>",
             "<plist><real>1,5</real></plist>",
             "<plist><date>yesterday</date></plist>",
             "<plist><data>!!!!</data></plist>",
             "<plist><string>a</string><string>b</string></plist>",
             "<plist><string>a</string></plist><string>b</string>",
             "<plist><blob/></plist>",
             "text before <plist/>",
             "<plist><string>unterminated",
             "<!-- only a comment -->",
         })
        EXPECT_FALSE(PlistXMLReader::parse(damaged)) << damaged;
}

TEST(PlistXMLReader, BoundsNestingInsteadOfOverflowingTheStack)
{
    EXPECT_TRUE(PlistXMLReader::parse(nested(PlistXMLReader::kMaxDepth)));
    EXPECT_FALSE(PlistXMLReader::parse(nested(PlistXMLReader::kMaxDepth + 1)));
    EXPECT_FALSE(PlistXMLReader::parse(nested(1000000)));
}

TEST(PlistXMLReader, LeavesOutWhatTheFilterRefusesAndKeepsTheFirstOfRepeatedKeys)
{
    const char* document = R"(<plist><dict>
        <key>keep</key><dict><key>inner</key><string>yes</string><key>drop</key><array><string>x</string></array></dict>
        <key>skip</key><array><dict><key>keep</key><string>no</string></dict></array>
        <key>keep</key><string>second</string>
    </dict></plist>)";
    const auto value = PlistXMLReader::parse(document, [](const PlistXMLReader::KeyPath& path) {
        return path[0] == "keep" && (path.size() == 1 || path[1] == "inner");
    });
    ASSERT_TRUE(value);
    const PropertyDictionary expected { { "keep", PropertyValue(PropertyDictionary { { "inner", PropertyValue("yes") } }) } };
    EXPECT_EQ(*value, PropertyValue(expected));
    EXPECT_FALSE(PlistXMLReader::parse("<plist><dict><key>skip</key><array><string>x</string></dict></dict></plist>",
        [](const PlistXMLReader::KeyPath&) { return false; }))
        << "a refused value is still checked for shape";
}
