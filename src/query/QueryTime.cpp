// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/QueryTime.h"

#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <ctime>

namespace {

using RelativeTime = QueryExpression::RelativeTime;

std::optional<long long> offsetOf(const std::optional<std::string>& argument)
{
    if (!argument)
        return 0;
    std::string_view text = *argument;
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (text.starts_with('+'))
        text.remove_prefix(1);
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    // A century of seconds is far more than any saved search means; beyond it the
    // calendar arithmetic would overflow.
    if (value > 4'000'000'000LL || value < -4'000'000'000LL)
        return std::nullopt;
    return value;
}

bool number(std::string_view text, std::size_t at, std::size_t length, int& value)
{
    if (at + length > text.size())
        return false;
    const auto [end, error] = std::from_chars(text.data() + at, text.data() + at + length, value);
    return error == std::errc() && end == text.data() + at + length;
}

double localMidnight(std::tm day)
{
    day.tm_hour = day.tm_min = day.tm_sec = 0;
    day.tm_isdst = -1;
    return static_cast<double>(std::mktime(&day));
}

// Reads the zone at text[at...]: Z, or ±HH[:]MM; sets seconds east of UTC.
bool zoneOf(std::string_view text, std::size_t at, long& east)
{
    if (text.substr(at) == "Z")
        return (east = 0, true);
    if (at >= text.size() || (text[at] != '+' && text[at] != '-'))
        return false;
    int hours = 0, minutes = 0;
    const std::size_t minuteAt = at + (text.size() > at + 3 && text[at + 3] == ':' ? 4 : 3);
    if (!number(text, at + 1, 2, hours) || !number(text, minuteAt, 2, minutes) || minuteAt + 2 != text.size())
        return false;
    east = (text[at] == '-' ? -1 : 1) * (hours * 3600L + minutes * 60L);
    return true;
}

// The text without the spaces and quotes a value may be wrapped in.
std::string_view withoutQuotes(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '"'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '"'))
        text.remove_suffix(1);
    return text;
}

// Reads YYYY-MM-DD at the start of text into moment's date fields.
bool readDate(std::string_view text, std::tm& moment)
{
    int year = 0, month = 0, day = 0;
    if (text.size() < 10 || !number(text, 0, 4, year) || text[4] != '-' || !number(text, 5, 2, month) || text[7] != '-' || !number(text, 8, 2, day))
        return false;
    if (month < 1 || month > 12 || day < 1 || day > 31)
        return false;
    moment.tm_year = year - 1900;
    moment.tm_mon = month - 1;
    moment.tm_mday = day;
    return true;
}

// Reads the seconds' decimal fraction at text[at...] (at the '.') and moves at past it.
double fractionAt(std::string_view text, std::size_t& at)
{
    std::size_t end = at + 1;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
        ++end;
    const double fraction = std::strtod(std::string(text.substr(at, end - at)).c_str(), nullptr);
    at = end;
    return fraction;
}

// Reads (T| )HH:MM[:SS[.fff]] at text[at...] into moment's time fields and moves
// at past it.
bool readTime(std::string_view text, std::size_t& at, std::tm& moment, double& fraction)
{
    if (!number(text, at + 1, 2, moment.tm_hour) || text.substr(at + 3, 1) != ":" || !number(text, at + 4, 2, moment.tm_min))
        return false;
    at += 6;
    if (text.substr(at, 1) == ":") {
        if (!number(text, at + 1, 2, moment.tm_sec))
            return false;
        at += 3;
        if (text.substr(at, 1) == ".")
            fraction = fractionAt(text, at);
    }
    return moment.tm_hour <= 23 && moment.tm_min <= 59 && moment.tm_sec <= 60;
}

}

std::optional<RelativeTime> QueryTime::relativeTime(std::string_view name, const std::optional<std::string>& argument)
{
    const auto offset = offsetOf(argument);
    if (!offset)
        return std::nullopt;
    if (name == "now")
        return RelativeTime { RelativeTime::Base::Now, *offset };
    if (name == "today")
        return RelativeTime { RelativeTime::Base::Today, *offset };
    if (name == "yesterday" && !argument)
        return RelativeTime { RelativeTime::Base::Today, -1 };
    if (name == "this_week")
        return RelativeTime { RelativeTime::Base::ThisWeek, *offset };
    if (name == "this_month")
        return RelativeTime { RelativeTime::Base::ThisMonth, *offset };
    if (name == "this_year")
        return RelativeTime { RelativeTime::Base::ThisYear, *offset };
    return std::nullopt;
}

double QueryTime::resolve(const RelativeTime& time, double now)
{
    if (time.base == RelativeTime::Base::Now)
        return now + static_cast<double>(time.offset);
    const std::time_t seconds = static_cast<std::time_t>(std::floor(now));
    std::tm day {};
    localtime_r(&seconds, &day);
    // A million periods is past any calendar mktime keeps; beyond it the fields
    // below would overflow.
    const int offset = static_cast<int>(std::clamp(time.offset, -1'000'000LL, 1'000'000LL));
    switch (time.base) {
    case RelativeTime::Base::Today:
        day.tm_mday += offset;
        break;
    case RelativeTime::Base::ThisWeek:
        day.tm_mday += -((day.tm_wday - firstWeekday() + 7) % 7) + 7 * offset;
        break;
    case RelativeTime::Base::ThisMonth:
        day.tm_mday = 1;
        day.tm_mon += offset;
        break;
    default:
        day.tm_mday = 1;
        day.tm_mon = 0;
        day.tm_year += offset;
        break;
    }
    return localMidnight(day);
}

std::optional<double> QueryTime::parseISO(std::string_view text)
{
    text = withoutQuotes(text);
    std::tm moment {};
    if (!readDate(text, moment))
        return std::nullopt;
    std::size_t at = 10;
    double fraction = 0.0;
    if (at < text.size() && (text[at] == 'T' || text[at] == ' ') && !readTime(text, at, moment, fraction))
        return std::nullopt;
    if (at == text.size()) {
        moment.tm_isdst = -1;
        return static_cast<double>(std::mktime(&moment)) + fraction;
    }
    long east = 0;
    if (!zoneOf(text, at, east))
        return std::nullopt;
    return static_cast<double>(timegm(&moment) - east) + fraction;
}

int QueryTime::firstWeekday()
{
    // glibc gives a reference day (a Sunday, 1997-11-30, or a Monday, 1997-12-01)
    // and the first weekday counted from it, 1 meaning that day itself.
    const locale_t locale = ::newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    if (!locale)
        return 0;
    const auto reference = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(::nl_langinfo_l(_NL_TIME_WEEK_1STDAY, locale)));
    const int first = static_cast<unsigned char>(::nl_langinfo_l(_NL_TIME_FIRST_WEEKDAY, locale)[0]);
    ::freelocale(locale);
    const int base = reference == 19971201 ? 1 : 0;
    return (base + (first >= 1 && first <= 7 ? first - 1 : 0)) % 7;
}
