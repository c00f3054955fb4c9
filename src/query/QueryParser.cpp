// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/QueryParser.h"

#include "query/QueryText.h"
#include "query/QueryTime.h"

#include <cctype>
#include <charconv>
#include <cstdlib>

namespace {

using Node = QueryExpression::Node;
using Literal = QueryExpression::Literal;

bool isWordCharacter(char c)
{
    return !(c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '(' || c == ')' || c == ',' || c == '"' || c == '&' || c == '|'
        || c == '=' || c == '!' || c == '<' || c == '>');
}

bool isIdentifier(std::string_view word)
{
    if (word.empty() || word == "*")
        return !word.empty();
    for (char c : word) {
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == ':'))
            return false;
    }
    return !std::isdigit(static_cast<unsigned char>(word.front()));
}

std::unique_ptr<Node> node(Node::Kind kind)
{
    auto made = std::make_unique<Node>();
    made->kind = kind;
    return made;
}

std::vector<QueryAttribute> attributesFor(std::string_view name)
{
    // The any-attribute stands for the text a person would recognise a file by.
    if (name == "*")
        return { QueryAttribute::FSName, QueryAttribute::DisplayName, QueryAttribute::Kind };
    return { FileAttributes::attributeNamed(name) };
}

Literal plain(std::string_view word)
{
    Literal literal;
    literal.value.text = std::string(word);
    literal.pattern = QueryText::folded(word, false, false);
    double number = 0.0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), number);
    if (error == std::errc() && end == word.data() + word.size()) {
        literal.value.type = QueryValue::Type::Number;
        literal.value.number = number;
    }
    return literal;
}

}

std::unique_ptr<QueryExpression> QueryExpression::expressionWithText(std::string_view text)
{
    return QueryParser(text).parse();
}

std::unique_ptr<QueryExpression> QueryParser::parse()
{
    NodePointer root = parseOr(0);
    if (!root || !atEnd())
        return nullptr;
    return std::make_unique<QueryExpression>(std::move(root), std::move(mTimes));
}

QueryParser::NodePointer QueryParser::parseOr(int depth)
{
    return parseChain(depth, "||", Node::Kind::Or);
}

QueryParser::NodePointer QueryParser::parseChain(int depth, std::string_view joiner, Node::Kind kind)
{
    // || joins && chains, which join unary terms. One node for a whole chain, so a
    // long chain costs no depth.
    const bool ands = kind == Node::Kind::And;
    const auto term = [&] { return ands ? parseUnary(depth) : parseChain(depth, "&&", Node::Kind::And); };
    NodePointer first = term();
    if (!first || !accept(joiner))
        return first;
    NodePointer joined = node(kind);
    joined->children.push_back(std::move(first));
    do {
        NodePointer next = term();
        if (!next)
            return nullptr;
        joined->children.push_back(std::move(next));
    } while (accept(joiner));
    return joined;
}

QueryParser::NodePointer QueryParser::parseUnary(int depth)
{
    if (depth > kMaxDepth)
        return nullptr;
    skipSpace();
    if (mText.substr(mAt).starts_with("!") && !mText.substr(mAt).starts_with("!=")) {
        ++mAt;
        NodePointer operand = parseUnary(depth + 1);
        if (!operand)
            return nullptr;
        NodePointer negated = node(Node::Kind::Not);
        negated->children.push_back(std::move(operand));
        return negated;
    }
    return parsePrimary(depth);
}

QueryParser::NodePointer QueryParser::parsePrimary(int depth)
{
    if (accept("(")) {
        NodePointer inner = parseOr(depth + 1);
        if (!inner || !accept(")"))
            return nullptr;
        return inner;
    }
    const std::string_view word = parseWord();
    if (word == "true" || word == "false")
        return node(word == "true" ? Node::Kind::True : Node::Kind::False);
    if (word == "InRange")
        return parseInRange();
    if (!isIdentifier(word))
        return nullptr;
    return parseComparison(word);
}

QueryParser::NodePointer QueryParser::parseInRange()
{
    if (!accept("("))
        return nullptr;
    const std::string_view attribute = parseWord();
    if (!isIdentifier(attribute) || !accept(","))
        return nullptr;
    auto low = parseValue();
    if (!low || !accept(","))
        return nullptr;
    auto high = parseValue();
    if (!high || !accept(")"))
        return nullptr;
    NodePointer range = node(Node::Kind::InRange);
    range->attributes = attributesFor(attribute);
    range->low = std::move(*low);
    range->high = std::move(*high);
    return range;
}

QueryParser::NodePointer QueryParser::parseComparison(std::string_view attribute)
{
    const auto op = parseOperator();
    if (!op)
        return nullptr;
    auto value = parseValue();
    if (!value)
        return nullptr;
    NodePointer compare = node(Node::Kind::Compare);
    compare->attributes = attributesFor(attribute);
    compare->op = *op;
    compare->low = std::move(*value);
    return compare;
}

std::optional<QueryExpression::Operator> QueryParser::parseOperator()
{
    using Operator = QueryExpression::Operator;
    // Longer spellings first, so "<=" is not read as "<" followed by "=".
    if (accept("=="))
        return Operator::Equal;
    if (accept("!="))
        return Operator::NotEqual;
    if (accept("<="))
        return Operator::LessOrEqual;
    if (accept(">="))
        return Operator::GreaterOrEqual;
    if (accept("="))
        return Operator::Equal;
    if (accept("<"))
        return Operator::Less;
    if (accept(">"))
        return Operator::Greater;
    return std::nullopt;
}

std::optional<QueryExpression::Literal> QueryParser::parseValue()
{
    skipSpace();
    if (mText.substr(mAt).starts_with("\"$time.")) {
        // Some searches quote a time as a whole; anything else in quotes is text.
        const std::size_t start = mAt++;
        if (auto time = parseTime(); time && accept("\""))
            return time;
        mAt = start;
    }
    if (mAt < mText.size() && mText[mAt] == '"')
        return parseQuoted();
    if (mText.substr(mAt).starts_with("$time."))
        return parseTime();
    const std::string_view word = parseWord();
    if (word.empty())
        return std::nullopt;
    return plain(word);
}

std::optional<QueryExpression::Literal> QueryParser::parseQuoted()
{
    ++mAt; // the opening quote
    std::string written;
    std::string text;
    while (mAt < mText.size() && mText[mAt] != '"') {
        if (mText[mAt] == '\\' && mAt + 1 < mText.size()) {
            written += mText[mAt++];
            text += mText[mAt];
        } else {
            text += mText[mAt];
        }
        written += mText[mAt++];
    }
    if (mAt == mText.size())
        return std::nullopt;
    ++mAt; // the closing quote
    Literal literal = plain(written);
    literal.value = { QueryValue::Type::Text, std::move(text), 0.0 };
    while (mAt < mText.size() && std::isalpha(static_cast<unsigned char>(mText[mAt]))) {
        switch (mText[mAt++]) {
        case 'c': literal.caseless = true; break;
        case 'd': literal.diacriticless = true; break;
        case 'w': literal.wordBased = true; break;
        default: return std::nullopt;
        }
    }
    literal.pattern = QueryText::folded(written, literal.caseless, literal.diacriticless);
    return literal;
}

std::optional<QueryExpression::Literal> QueryParser::parseTime()
{
    mAt += 6; // "$time."
    std::size_t end = mAt;
    while (end < mText.size() && (std::isalpha(static_cast<unsigned char>(mText[end])) || mText[end] == '_'))
        ++end;
    const std::string_view name = mText.substr(mAt, end - mAt);
    mAt = end;
    std::optional<std::string> argument;
    if (mAt < mText.size() && mText[mAt] == '(') {
        const std::size_t close = mText.find(')', mAt);
        if (close == std::string_view::npos)
            return std::nullopt;
        argument = std::string(mText.substr(mAt + 1, close - mAt - 1));
        mAt = close + 1;
    }
    Literal literal;
    literal.value.type = QueryValue::Type::Date;
    if (name == "iso") {
        const auto moment = argument ? QueryTime::parseISO(*argument) : std::nullopt;
        if (!moment)
            return std::nullopt;
        literal.value.number = *moment;
        return literal;
    }
    const auto relative = QueryTime::relativeTime(name, argument);
    if (!relative)
        return std::nullopt;
    literal.timeIndex = static_cast<int>(mTimes.size());
    mTimes.push_back(*relative);
    return literal;
}

std::string_view QueryParser::parseWord()
{
    skipSpace();
    const std::size_t start = mAt;
    while (mAt < mText.size() && isWordCharacter(mText[mAt]))
        ++mAt;
    return mText.substr(start, mAt - start);
}

void QueryParser::skipSpace()
{
    while (mAt < mText.size() && (mText[mAt] == ' ' || mText[mAt] == '\t' || mText[mAt] == '\n' || mText[mAt] == '\r'))
        ++mAt;
}

bool QueryParser::accept(std::string_view token)
{
    skipSpace();
    if (!mText.substr(mAt).starts_with(token))
        return false;
    mAt += token.size();
    return true;
}

bool QueryParser::atEnd()
{
    skipSpace();
    return mAt == mText.size();
}
