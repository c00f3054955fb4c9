// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/QueryExpression.h"
#include "FakeMimeDatabase.h"
#include "TestSupport.h"
#include "query/QueryTime.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#include <optional>

namespace {

using Names = std::vector<std::string>;

struct Row {
    const char* expression;
    Names matching;
    Names notMatching;
};

class QueryExpressionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const auto& [name, size] : std::initializer_list<std::pair<const char*, std::size_t>> { { "Beach Day.jpg", 100 }, { "summerBeach.PNG", 2000 },
                 { "Café.jpg", 300 }, { "drawing.svg", 300 }, { "notes.txt", 5000 }, { "beachball.txt", 5001 }, { "noext", 10 } })
            mFolder.write(name, std::string(size, 'x'));
        // Noon of 2024-06-15 in local time, so the rows below read the way a person wrote them.
        std::tm noon {};
        ::strptime("2024-06-15 12:00", "%Y-%m-%d %H:%M", &noon);
        noon.tm_isdst = -1;
        const timespec times[2] = { { std::mktime(&noon), 0 }, { std::mktime(&noon), 0 } };
        ::utimensat(AT_FDCWD, (mFolder.path() / "Beach Day.jpg").c_str(), times, 0);
        std::filesystem::copy_file(std::string(SKYVANES_SOURCE_DIR) + "/tests/fuzz/corpus/decoder/baseline.jpg", mFolder.path() / "real.jpg");
    }

    bool matches(const QueryExpression& expression, const std::string& name)
    {
        FileAttributes file((mFolder.path() / name).string(), mTypes);
        return expression.matches(file, expression.resolveTimes(static_cast<double>(std::time(nullptr))));
    }

    ScopedFakeMimeDatabase mServices;
    TemporaryFolder mFolder;
    FileAttributes::TypeCache mTypes { std::make_shared<FakeMimeDatabase>() };
};

}

TEST_F(QueryExpressionTest, EachExpressionMatchesItsFilesAndNoOthers)
{
    const Row rows[] = {
        { R"(kMDItemContentTypeTree == "public.image")", { "Beach Day.jpg", "summerBeach.PNG", "drawing.svg", "Café.jpg" }, { "notes.txt", "noext" } },
        { "kMDItemContentType = public.jpeg", { "Beach Day.jpg" }, { "summerBeach.PNG", "drawing.svg" } },
        { R"(kMDItemDisplayName == "*beach*"c)", { "Beach Day.jpg", "summerBeach.PNG", "beachball.txt" }, { "notes.txt" } },
        { R"(kMDItemFSName == "beach"cw)", { "Beach Day.jpg", "summerBeach.PNG" }, { "beachball.txt", "notes.txt" } },
        { R"(kMDItemFSName == "CAFE*"cd)", { "Café.jpg" }, { "Beach Day.jpg" } },
        { "kMDItemFSSize<=100&&kMDItemFSSize>=100", { "Beach Day.jpg" }, { "noext", "Café.jpg" } },
        { "InRange(kMDItemFSSize, 100, 5000)", { "Beach Day.jpg", "notes.txt" }, { "beachball.txt", "noext" } },
        { R"(kMDItemTextContent != "x" && kMDItemPixelWidth != 5)", { "notes.txt", "Beach Day.jpg" }, {} },
        { R"(!(kMDItemContentTypeTree == "public.image") && kMDItemFSName == "*.txt")", { "notes.txt", "beachball.txt" }, { "Beach Day.jpg" } },
        { "kMDItemFSContentChangeDate < $time.iso(2024-06-16) && kMDItemFSContentChangeDate < \"$time.today\"", { "Beach Day.jpg" }, { "notes.txt" } },
        { "_kMDItemGroupId = 13", { "Beach Day.jpg", "drawing.svg" }, { "notes.txt", "noext" } },
        { R"(* == "*ball*")", { "beachball.txt" }, { "Beach Day.jpg" } },
        { "false || kMDItemFSName == notes.txt || kMDItemFSName == \"*.SVG\"", { "notes.txt" }, { "beachball.txt", "drawing.svg" } },
        { "kMDItemPixelWidth > 1 && kMDItemPixelHeight > 1", { "real.jpg" }, { "notes.txt", "Beach Day.jpg" } },
    };
    for (const Row& row : rows) {
        const auto expression = QueryExpression::expressionWithText(row.expression);
        ASSERT_TRUE(expression) << row.expression;
        for (const auto& name : row.matching)
            EXPECT_TRUE(matches(*expression, name)) << row.expression << " should match " << name;
        for (const auto& name : row.notMatching)
            EXPECT_FALSE(matches(*expression, name)) << row.expression << " should not match " << name;
    }
}

TEST(QueryExpression, MalformedTextIsRefusedAndUnknownAttributesAreNot)
{
    const std::string deep = std::string(5000, '(') + "true" + std::string(5000, ')');
    for (const std::string text : { "", "kMDItemFSName ==", R"(kMDItemFSName == "x)", R"((kMDItemFSName == "x")", R"(kMDItemFSName = "x"q)",
             "kMDItemFSSize == 1 &&", "kMDItemFSName == $time.bogus", "kMDItemFSName == $time.iso(yesterday)", "InRange(kMDItemFSSize, 1)",
             R"(kMDItemFSName "x")", "== 1", "kMDItemFSSize == 1 | kMDItemFSSize == 2", "13 == kMDItemFSSize", deep.c_str() })
        EXPECT_FALSE(QueryExpression::expressionWithText(text)) << text;
    EXPECT_TRUE(QueryExpression::expressionWithText(R"(kMDItemNoSuchThing == "x"cdw)"));
}

TEST(QueryTime, RelativeTimesStartTheirPeriodInLocalTime)
{
    // TZ=UTC, so the moments below are plain numbers; tzset again once it is restored.
    std::optional<ScopedEnvironment> utc(std::in_place, "TZ", "UTC");
    ::tzset();
    const double now = 1710498600.0; // Friday 2024-03-15 10:30 UTC
    auto at = [&](const char* name, const char* argument) {
        const auto relative = QueryTime::relativeTime(name, argument ? std::optional<std::string>(argument) : std::nullopt);
        return relative ? QueryTime::resolve(*relative, now) : -1.0;
    };
    EXPECT_EQ(at("now", "-60"), now - 60);
    EXPECT_EQ(at("today", nullptr), 1710460800.0);
    EXPECT_EQ(at("this_month", "-3"), 1701388800.0); // 2023-12-01
    EXPECT_EQ(at("this_year", "1"), 1735689600.0); // 2025-01-01
    const double week = at("this_week", nullptr);
    const auto weekStart = static_cast<std::time_t>(week);
    std::tm day {};
    gmtime_r(&weekStart, &day);
    EXPECT_EQ(day.tm_wday, QueryTime::firstWeekday());
    EXPECT_TRUE(week <= now && week > now - 7 * 86400) << week;
    for (const char* name : { "today", "this_week", "this_month", "this_year" })
        EXPECT_GT(at(name, "2147483600"), now) << name << " far ahead is still ahead";

    EXPECT_EQ(QueryTime::parseISO("2024-03-15T10:30:00Z"), now);
    EXPECT_EQ(QueryTime::parseISO("\"2024-03-15 11:30:00+01:00\""), now);
    EXPECT_FALSE(QueryTime::parseISO("2024-03-15T10:30:00+1"));
    utc.reset();
    ::tzset();
}

TEST(QueryExpression, CheapTermsDecideBeforeATypeIsLookedUpAndUnreadableFilesAreTypedByName)
{
    struct Counting : FakeMimeDatabase {
        mutable int lookUps = 0;
        MimeType mimeTypeForFile(const std::string& path) const override { return ++lookUps, FakeMimeDatabase::mimeTypeForFile(path); }
        mutable int nameLookUps = 0;
        MimeType mimeTypeForName(const std::string& path) const override { return ++nameLookUps, FakeMimeDatabase::mimeTypeForFile(path); }
    };
    const auto database = std::make_shared<Counting>();
    FileAttributes::TypeCache types(database);
    const auto expression = QueryExpression::expressionWithText(R"(kMDItemContentTypeTree == "public.image" && kMDItemFSName == "*.txt" || kMDItemFSName == "b*")");
    ASSERT_TRUE(expression);
    for (const auto& [path, matching] : std::vector<std::pair<std::string, bool>> { { "/a.jpg", false }, { "/b.jpg", true }, { "/c.txt", false } }) {
        FileAttributes file(path, types);
        EXPECT_EQ(expression->matches(file, {}), matching) << path;
    }
    EXPECT_EQ(database->lookUps, 1) << "only c.txt's name leaves its type to decide";
    // A file whose content may not be read (a pseudo file system's) is typed by name.
    FileAttributes unreadable("/proc/d.e.txt", types, false);
    EXPECT_FALSE(expression->matches(unreadable, {}));
    EXPECT_EQ(database->lookUps, 1);
    EXPECT_EQ(database->nameLookUps, 1);
}
