// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "query/QueryExpression.h"

#include <optional>
#include <string_view>

// Recursive descent over the query language:
//   or := and ('||' and)*      and := unary ('&&' unary)*      unary := '!' unary | primary
//   primary := '(' or ')' | true | false | InRange '(' attribute ',' value ',' value ')'
//            | attribute operator value
// Values are "strings" with c, d, w modifiers, numbers, bare tokens and $time values.
class QueryParser {
public:
    explicit QueryParser(std::string_view text)
        : mText(text)
    {
    }

    // The expression, or null at the first thing that does not fit the grammar.
    std::unique_ptr<QueryExpression> parse();

    // Nesting deeper than this is refused rather than risking the stack.
    static constexpr int kMaxDepth = 200;

private:
    using NodePointer = std::unique_ptr<QueryExpression::Node>;

    NodePointer parseOr(int depth);
    NodePointer parseChain(int depth, std::string_view joiner, QueryExpression::Node::Kind kind);
    NodePointer parseUnary(int depth);
    NodePointer parsePrimary(int depth);
    NodePointer parseInRange();
    NodePointer parseComparison(std::string_view attribute);
    std::optional<QueryExpression::Literal> parseValue();
    std::optional<QueryExpression::Literal> parseQuoted();
    std::optional<QueryExpression::Literal> parseTime();
    std::optional<QueryExpression::Operator> parseOperator();
    std::string_view parseWord();

    void skipSpace();
    bool accept(std::string_view token);
    bool atEnd();

    std::string_view mText;
    std::size_t mAt { 0 };
    std::vector<QueryExpression::RelativeTime> mTimes;
};
