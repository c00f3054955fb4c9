// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "query/QueryExpression.h"

#include <optional>
#include <string>
#include <string_view>

// The $time values of the query language, in local time. Moments are seconds
// since 1970-01-01 UTC.
class QueryTime {
public:
    // $time.now, today, yesterday, this_week, this_month, this_year with an optional
    // signed whole offset; nothing for an unknown name or a malformed offset.
    static std::optional<QueryExpression::RelativeTime> relativeTime(std::string_view name, const std::optional<std::string>& argument);

    // The moment of a relative time at now: for today and the calendar periods, the
    // local midnight that starts the period, moved by the offset in whole periods.
    static double resolve(const QueryExpression::RelativeTime& time, double now);

    // YYYY-MM-DD[(T| )HH:MM[:SS[.fff]]][Z|±HH[:]MM], quotes allowed around it; local
    // time when no zone is given.
    static std::optional<double> parseISO(std::string_view text);

    // The first day of the week in the person's locale: 0 Sunday ... 6 Saturday.
    static int firstWeekday();
};
