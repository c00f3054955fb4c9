// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsTable.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <vector>

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
    std::size_t index = 0;
    // The rows "| `Key` | type | default | meaning |"; a default may be followed by a note
    // in parentheses.
    for (std::size_t at = readme.find("\n| `"); at != std::string::npos; at = readme.find("\n| `", at + 1), ++index) {
        std::vector<std::string> cells;
        for (std::size_t begin = at + 3, end; cells.size() < 3 && (end = readme.find(" |", begin)) != std::string::npos; begin = end + 3)
            cells.push_back(readme.substr(begin, end - begin));
        ASSERT_EQ(cells.size(), 3u);
        ASSERT_LT(index, SettingsTable::all().size()) << cells[0];
        const Setting& setting = SettingsTable::all()[index];
        EXPECT_EQ(cells[0], "`" + std::string(setting.key) + "`");
        EXPECT_EQ(cells[1], kTypeWords[static_cast<int>(setting.type)]) << setting.key;
        EXPECT_EQ(cells[2].substr(0, cells[2].find(" (")), documentedDefault(setting, registered)) << setting.key;
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
        const auto property = [&](const std::string& name) {
            const std::string tag = name + "\"><number>";
            const std::size_t found = form.find(tag, at);
            return found == std::string::npos ? NAN : std::stod(form.substr(found + tag.size()));
        };
        EXPECT_EQ(property("minimum"), setting.min) << setting.key;
        EXPECT_EQ(property("maximum"), setting.max) << setting.key;
    }
}
