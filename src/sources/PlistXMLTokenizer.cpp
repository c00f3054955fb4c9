// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/PlistXMLTokenizer.h"

#include "sources/PlistXMLText.h"

#include <cctype>

PlistXMLTokenizer::Next PlistXMLTokenizer::skipMarkup()
{
    for (;;) {
        while (mAt < mText.size() && PlistXMLText::isSpace(mText[mAt]))
            ++mAt;
        if (mAt >= mText.size())
            return Next::End;
        if (mText[mAt] != '<')
            return Next::Malformed;
        const std::string_view rest = mText.substr(mAt);
        if (rest.starts_with("<?")) {
            if (!skipPast("?>"))
                return Next::Malformed;
        } else if (rest.starts_with("<!--")) {
            if (!skipPast("-->"))
                return Next::Malformed;
        } else if (rest.starts_with("<!DOCTYPE")) {
            if (!skipDoctype())
                return Next::Malformed;
        } else {
            return Next::Tag;
        }
    }
}

bool PlistXMLTokenizer::skipPast(std::string_view marker)
{
    const std::size_t found = mText.find(marker, mAt);
    if (found == std::string_view::npos)
        return false;
    mAt = found + marker.size();
    return true;
}

bool PlistXMLTokenizer::skipDoctype()
{
    int brackets = 0;
    for (; mAt < mText.size(); ++mAt) {
        const char c = mText[mAt];
        if (c == '[')
            ++brackets;
        else if (c == ']')
            --brackets;
        else if (c == '>' && brackets <= 0) {
            ++mAt;
            return true;
        }
    }
    return false;
}

std::optional<PlistXMLTokenizer::Tag> PlistXMLTokenizer::readTag()
{
    Tag tag;
    ++mAt; // '<'
    if (mAt < mText.size() && mText[mAt] == '/') {
        tag.closing = true;
        ++mAt;
    }
    const std::size_t start = mAt;
    while (mAt < mText.size() && (std::isalnum(static_cast<unsigned char>(mText[mAt])) || mText[mAt] == '_' || mText[mAt] == '-' || mText[mAt] == ':'))
        ++mAt;
    tag.name = mText.substr(start, mAt - start);
    char quote = 0;
    for (; mAt < mText.size(); ++mAt) {
        const char c = mText[mAt];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            tag.empty = mText[mAt - 1] == '/';
            ++mAt;
            if (tag.name.empty() || (tag.closing && tag.empty))
                return std::nullopt;
            return tag;
        }
    }
    return std::nullopt;
}

std::optional<std::string> PlistXMLTokenizer::readContent(std::string_view name, bool empty, bool decode)
{
    std::string out;
    if (empty)
        return out;
    for (;;) {
        const std::size_t lt = mText.find('<', mAt);
        if (lt == std::string_view::npos)
            return std::nullopt;
        if (decode && !PlistXMLText::appendDecoded(out, mText.substr(mAt, lt - mAt)))
            return std::nullopt;
        mAt = lt;
        const std::string_view rest = mText.substr(mAt);
        if (rest.starts_with("<![CDATA[")) {
            const std::size_t close = mText.find("]]>", mAt + 9);
            if (close == std::string_view::npos)
                return std::nullopt;
            if (decode)
                out.append(mText.substr(mAt + 9, close - mAt - 9));
            mAt = close + 3;
        } else if (rest.starts_with("<!--")) {
            if (!skipPast("-->"))
                return std::nullopt;
        } else {
            const auto tag = readTag();
            if (!tag || !tag->closing || tag->name != name)
                return std::nullopt;
            return out;
        }
    }
}
