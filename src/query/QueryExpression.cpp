// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/QueryExpression.h"

#include "query/QueryText.h"
#include "query/QueryTime.h"
#include "query/WildcardPattern.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <compare>

namespace {

using Literal = QueryExpression::Literal;
using Operator = QueryExpression::Operator;
using Node = QueryExpression::Node;

// Dates written as plain numbers count seconds from 2001-01-01 UTC, as the
// saved-search files' own dates do.
constexpr double kReferenceDate = 978307200.0;

bool holds(Operator op, std::partial_ordering order)
{
    switch (op) {
    case Operator::Equal: return order == 0;
    case Operator::NotEqual: return order != 0 && order != std::partial_ordering::unordered;
    case Operator::Less: return order < 0;
    case Operator::Greater: return order > 0;
    case Operator::LessOrEqual: return order <= 0;
    default: return order >= 0;
    }
}

// The literal as a number comparable with a value of type, or nothing.
std::optional<double> numberFor(const Literal& literal, QueryValue::Type type, const std::vector<double>& times)
{
    if (literal.timeIndex >= 0)
        return times[static_cast<std::size_t>(literal.timeIndex)];
    const QueryValue& value = literal.value;
    if (type == QueryValue::Type::Date) {
        if (value.type == QueryValue::Type::Number)
            return value.number + kReferenceDate;
        if (value.type == QueryValue::Type::Date)
            return value.number;
        return QueryTime::parseISO(value.text);
    }
    if (value.type != QueryValue::Type::Text)
        return value.number;
    double number = 0.0;
    const auto [end, error] = std::from_chars(value.text.data(), value.text.data() + value.text.size(), number);
    if (error != std::errc() || end != value.text.data() + value.text.size())
        return std::nullopt;
    return number;
}

bool textEquals(const Literal& literal, const std::string& text)
{
    // Most comparisons of a walk are exact, unmodified ones: no folding needed then.
    if (!literal.caseless && !literal.diacriticless && !literal.wordBased && literal.pattern.find_first_of(U"*\\") == std::u32string::npos)
        return literal.value.text == text;
    // A walk compares every name: the folded text's room is kept between calls.
    thread_local std::u32string value;
    QueryText::fold(value, text, literal.caseless, literal.diacriticless);
    std::optional<WildcardPattern> own;
    const WildcardPattern& pattern = literal.wildcard ? *literal.wildcard : own.emplace(literal.pattern);
    if (pattern.matches(value))
        return true;
    if (!literal.wordBased)
        return false;
    // Words are found before case folding, which would hide "summerBeach"'s second word;
    // folding keeps one code point for one, so the places stay right.
    const auto starts = QueryText::wordStarts(literal.caseless ? QueryText::folded(text, false, literal.diacriticless) : value);
    // A word matches without what trails it, or with the rest of the text after it.
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const std::size_t end = i + 1 < starts.size() ? starts[i + 1] : value.size();
        std::u32string_view word = std::u32string_view(value).substr(starts[i], end - starts[i]);
        while (!word.empty() && !(word.back() >= U'0' && word.back() <= U'9') && word.back() < 0x80 && !std::isalpha(static_cast<int>(word.back())))
            word.remove_suffix(1);
        if (pattern.matches(word))
            return true;
    }
    return pattern.matchesFromAnyOf(value, starts);
}

std::partial_ordering compareTo(const QueryValue& value, const Literal& literal, const std::vector<double>& times)
{
    if (value.type == QueryValue::Type::Text) {
        if (literal.timeIndex >= 0 || literal.value.type == QueryValue::Type::Date)
            return std::partial_ordering::unordered;
        return QueryText::folded(value.text, literal.caseless, literal.diacriticless)
            <=> QueryText::folded(literal.value.text, literal.caseless, literal.diacriticless);
    }
    const auto number = numberFor(literal, value.type, times);
    if (!number)
        return std::partial_ordering::unordered;
    return value.number <=> *number;
}

bool valueHolds(const QueryValue& value, Operator op, const Literal& literal, const std::vector<double>& times)
{
    if (value.type == QueryValue::Type::Text && op == Operator::Equal && literal.timeIndex < 0 && literal.value.type != QueryValue::Type::Date)
        return textEquals(literal, value.text);
    return holds(op, compareTo(value, literal, times));
}

bool compare(const Node& node, FileAttributes& file, const std::vector<double>& times)
{
    // != is the negation of ==: true when no value (or none at all) is equal.
    const Operator op = node.op == Operator::NotEqual ? Operator::Equal : node.op;
    bool any = false;
    for (QueryAttribute attribute : node.attributes) {
        for (const QueryValue& value : file.values(attribute)) {
            if (valueHolds(value, op, node.low, times)) {
                any = true;
                break;
            }
        }
        if (any)
            break;
    }
    return node.op == Operator::NotEqual ? !any : any;
}

bool inRange(const Node& node, FileAttributes& file, const std::vector<double>& times)
{
    for (QueryAttribute attribute : node.attributes) {
        for (const QueryValue& value : file.values(attribute)) {
            if (holds(Operator::GreaterOrEqual, compareTo(value, node.low, times)) && holds(Operator::LessOrEqual, compareTo(value, node.high, times)))
                return true;
        }
    }
    return false;
}

bool evaluate(const Node& node, FileAttributes& file, const std::vector<double>& times)
{
    switch (node.kind) {
    case Node::Kind::True: return true;
    case Node::Kind::False: return false;
    case Node::Kind::Not: return !evaluate(*node.children[0], file, times);
    case Node::Kind::And:
        return std::all_of(node.children.begin(), node.children.end(), [&](const auto& child) { return evaluate(*child, file, times); });
    case Node::Kind::Or:
        return std::any_of(node.children.begin(), node.children.end(), [&](const auto& child) { return evaluate(*child, file, times); });
    case Node::Kind::Compare: return compare(node, file, times);
    default: return inRange(node, file, times);
    }
}

// What working out an attribute costs: nothing for what the path holds, a statx
// for sizes and dates, a type look-up (which may read the file's first bytes) for
// types, and a read of the picture's header for pixel sizes.
int costOf(QueryAttribute attribute)
{
    switch (attribute) {
    case QueryAttribute::FSSize:
    case QueryAttribute::CreationDate:
    case QueryAttribute::ContentChangeDate:
    case QueryAttribute::LastUsedDate: return 1;
    case QueryAttribute::ContentType:
    case QueryAttribute::ContentTypeTree:
    case QueryAttribute::Kind:
    case QueryAttribute::GroupId: return 2;
    case QueryAttribute::PixelWidth:
    case QueryAttribute::PixelHeight: return 3;
    default: return 0;
    }
}

// Puts the cheaper terms of every && and || first, so that a term which cannot
// change the answer is never worked out; the terms have no side effects, so the
// answer is the same. Returns the node's own cost, that of its costliest term.
int orderByCost(Node& node)
{
    // Patterns are made ready here too, once rather than for every file.
    for (Literal* literal : { &node.low, &node.high })
        literal->wildcard = std::make_shared<const WildcardPattern>(literal->pattern);
    int cost = 0;
    std::stable_sort(node.attributes.begin(), node.attributes.end(), [](QueryAttribute a, QueryAttribute b) { return costOf(a) < costOf(b); });
    for (QueryAttribute attribute : node.attributes)
        cost = std::max(cost, costOf(attribute));
    std::vector<std::pair<int, std::unique_ptr<Node>>> children;
    for (auto& child : node.children) {
        const int childCost = orderByCost(*child);
        cost = std::max(cost, childCost);
        children.emplace_back(childCost, std::move(child));
    }
    std::stable_sort(children.begin(), children.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < children.size(); ++i)
        node.children[i] = std::move(children[i].second);
    return cost;
}

}

QueryExpression::QueryExpression(std::unique_ptr<Node> root, std::vector<RelativeTime> times)
    : mRoot(std::move(root))
    , mTimes(std::move(times))
{
    orderByCost(*mRoot);
}

std::vector<double> QueryExpression::resolveTimes(double now) const
{
    std::vector<double> times;
    times.reserve(mTimes.size());
    for (const RelativeTime& time : mTimes)
        times.push_back(QueryTime::resolve(time, now));
    return times;
}

bool QueryExpression::matches(FileAttributes& file, const std::vector<double>& times) const
{
    // A name that several types claim leaves the type to the file's first bytes;
    // where each of those types gives the same answer, they are never read.
    const bool answer = evaluate(*mRoot, file, times);
    while (file.nextTypeCandidate()) {
        if (evaluate(*mRoot, file, times) != answer) {
            file.settleType();
            return evaluate(*mRoot, file, times);
        }
    }
    return answer;
}
