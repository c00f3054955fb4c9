// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "query/FileAttributes.h"
#include "query/WildcardPattern.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A parsed metadata query: comparisons of file attributes with values, joined by
// &&, || and !. Immutable once parsed, so several threads may evaluate one.
class QueryExpression {
public:
    enum class Operator {
        Equal,
        NotEqual,
        Less,
        Greater,
        LessOrEqual,
        GreaterOrEqual
    };

    // A relative moment: $time.now(s), today(d), this_week(w), this_month(m), this_year(y).
    struct RelativeTime {
        enum class Base {
            Now,
            Today,
            ThisWeek,
            ThisMonth,
            ThisYear
        };
        Base base { Base::Now };
        long long offset { 0 };
    };

    struct Literal {
        QueryValue value; // a Date here is fixed; relative times are resolved per use
        std::u32string pattern; // the text as written, with its wildcards and escapes
        std::shared_ptr<const WildcardPattern> wildcard; // pattern made ready once, by the expression
        int timeIndex { -1 }; // into the times that resolveTimes gives, or -1
        bool caseless { false };
        bool diacriticless { false };
        bool wordBased { false };
    };

    struct Node {
        enum class Kind {
            True,
            False,
            Not,
            And,
            Or,
            Compare,
            InRange
        };
        Kind kind { Kind::True };
        std::vector<std::unique_ptr<Node>> children;
        std::vector<QueryAttribute> attributes; // several for the any-attribute '*'
        Operator op { Operator::Equal };
        Literal low; // the compared value, or the low end of a range
        Literal high;
    };

    // The expression, or null when the text is not a well-formed query.
    static std::unique_ptr<QueryExpression> expressionWithText(std::string_view text);

    QueryExpression(std::unique_ptr<Node> root, std::vector<RelativeTime> times);

    // The moments of the expression's relative times, in local time, at now
    // (seconds since 1970-01-01 UTC).
    std::vector<double> resolveTimes(double now) const;

    // True when the file matches; times come from resolveTimes.
    bool matches(FileAttributes& file, const std::vector<double>& times) const;

private:
    std::unique_ptr<Node> mRoot;
    std::vector<RelativeTime> mTimes;
};
