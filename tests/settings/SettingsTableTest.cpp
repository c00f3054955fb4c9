// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsTable.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

namespace {

std::string numberText(double number)
{
    std::ostringstream out;
    out << number;
    return out.str();
}

// The README's words for the default the saver gives a setting.
std::string documentedDefault(const Setting& setting, const PropertyDictionary& registered)
{
    const auto found = registered.find(setting.key);
    if (found != registered.end() && found->second.string())
        return "`" + *found->second.string() + "`";
    switch (setting.type) {
    case Setting::Type::Boolean: return setting.defaultNumber != 0 ? "YES" : "NO";
    case Setting::Type::Colour: return "black";
    default: return numberText(setting.defaultNumber);
    }
}

}

TEST(SettingsTable, TheReadmeTableListsEverySettingWithItsTypeAndDefault)
{
    static const char* const kTypeWords[] = { "string", "int", "float", "bool", "colour" };
    const PropertyDictionary registered = SettingsTable::registeredDefaults("~");
    const std::string readme = fileContents(SKYVANES_SOURCE_DIR "/README.md");
    // A default may be followed by a note in parentheses.
    const std::regex row(R"(\n\| `([A-Za-z]+)` \| ([a-z]+) \| ([^|(]+?)(?: \([^|]*\))? \|)");
    std::size_t index = 0;
    for (auto match = std::sregex_iterator(readme.begin(), readme.end(), row); match != std::sregex_iterator(); ++match, ++index) {
        ASSERT_LT(index, SettingsTable::all().size()) << (*match)[1];
        const Setting& setting = SettingsTable::all()[index];
        EXPECT_EQ((*match)[1], setting.key);
        EXPECT_EQ((*match)[2], kTypeWords[static_cast<int>(setting.type)]) << setting.key;
        EXPECT_EQ((*match)[3].str(), documentedDefault(setting, registered)) << setting.key;
    }
    EXPECT_EQ(index, SettingsTable::all().size());
    for (const auto& [key, value] : registered)
        EXPECT_TRUE(SettingsTable::find(key) && SettingsTable::find(key)->registered) << key;
}

TEST(SettingsTable, EachSheetControlIsInTheFormWithTheTablesRange)
{
    const std::string form = fileContents(SKYVANES_SOURCE_DIR "/resources/Lumivels.ui");
    for (const Setting& setting : SettingsTable::all()) {
        if (!setting.sheetOutlet)
            continue;
        const std::string name = std::string("name=\"") + setting.sheetOutlet + "\"";
        const std::size_t at = form.find(name);
        ASSERT_NE(at, std::string::npos) << setting.sheetOutlet;
        if (form.compare(at - 16, 16, "class=\"QSlider\" ") != 0)
            continue;
        std::smatch range;
        const std::string after = form.substr(at, 400);
        ASSERT_TRUE(std::regex_search(after, range, std::regex(R"(minimum"><number>(-?\d+)<.*\n.*maximum"><number>(-?\d+)<)")))
            << setting.sheetOutlet;
        EXPECT_EQ(std::stod(range[1]), setting.min) << setting.key;
        EXPECT_EQ(std::stod(range[2]), setting.max) << setting.key;
    }
}
