// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/PlistXMLReader.h"

#include "platform/WholeInteger.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

void appendUTF8(std::string& out, std::uint32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Appends text with its entity references replaced; false on a malformed or
// unknown reference, so a damaged file is refused rather than half-read.
bool appendDecoded(std::string& out, std::string_view text)
{
    while (!text.empty()) {
        const std::size_t amp = text.find('&');
        out.append(text.substr(0, amp));
        if (amp == std::string_view::npos)
            return true;
        text.remove_prefix(amp + 1);
        const std::size_t semi = text.find(';');
        if (semi == std::string_view::npos || semi > 10)
            return false;
        const std::string_view name = text.substr(0, semi);
        text.remove_prefix(semi + 1);
        if (name == "lt")
            out += '<';
        else if (name == "gt")
            out += '>';
        else if (name == "amp")
            out += '&';
        else if (name == "quot")
            out += '"';
        else if (name == "apos")
            out += '\'';
        else if (name.size() > 1 && name[0] == '#') {
            const bool hex = name[1] == 'x';
            const std::string_view digits = name.substr(hex ? 2 : 1);
            const auto code = parseWholeInteger<std::uint32_t>(digits, hex ? 16 : 10);
            if (!code || *code == 0 || *code > 0x10FFFF || (*code >= 0xD800 && *code <= 0xDFFF))
                return false;
            appendUTF8(out, *code);
        } else {
            return false;
        }
    }
    return true;
}

std::optional<std::int64_t> parseInteger(std::string_view text)
{
    text = trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    // Unsigned first, as large unsigned values are legal in property lists; they
    // wrap into the signed type the value carries.
    const auto magnitude = parseWholeInteger<std::uint64_t>(text, base);
    if (!magnitude)
        return std::nullopt;
    const auto value = static_cast<std::int64_t>(*magnitude);
    return negative ? -value : value;
}

std::optional<double> parseReal(std::string_view text)
{
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    // from_chars, not strtod: the locale of the program must not change how "1.5" reads.
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// "YYYY-MM-DDTHH:MM:SSZ" as seconds since 2001-01-01, the epoch property lists count from.
std::optional<double> parseDate(std::string_view text)
{
    text = trimmed(text);
    int fields[6] = {};
    const char separators[] = { '-', '-', 'T', ':', ':', 'Z' };
    const char* at = text.data();
    const char* const end = text.data() + text.size();
    for (int i = 0; i < 6; ++i) {
        const auto [next, error] = std::from_chars(at, end, fields[i]);
        if (error != std::errc() || next == end || *next != separators[i])
            return std::nullopt;
        at = next + 1;
    }
    if (at != end || fields[1] < 1 || fields[1] > 12 || fields[2] < 1 || fields[2] > 31)
        return std::nullopt;
    const std::int64_t days = daysFromCivil(fields[0], static_cast<unsigned>(fields[1]), static_cast<unsigned>(fields[2]))
        - daysFromCivil(2001, 1, 1);
    return static_cast<double>(days * 86400 + fields[3] * 3600 + fields[4] * 60 + fields[5]);
}

std::optional<PropertyData> parseBase64(std::string_view text)
{
    PropertyData out;
    out.reserve(text.size() / 4 * 3);
    std::uint32_t bits = 0;
    int count = 0;
    bool padding = false;
    for (const char c : text) {
        int v;
        if (c >= 'A' && c <= 'Z')
            v = c - 'A';
        else if (c >= 'a' && c <= 'z')
            v = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            v = c - '0' + 52;
        else if (c == '+')
            v = 62;
        else if (c == '/')
            v = 63;
        else if (c == '=') {
            padding = true;
            continue;
        } else if (isSpace(c))
            continue;
        else
            return std::nullopt;
        if (padding)
            return std::nullopt;
        bits = (bits << 6) | static_cast<std::uint32_t>(v);
        if (++count == 4) {
            out.push_back(static_cast<std::uint8_t>(bits >> 16));
            out.push_back(static_cast<std::uint8_t>(bits >> 8));
            out.push_back(static_cast<std::uint8_t>(bits));
            bits = 0;
            count = 0;
        }
    }
    if (count == 1)
        return std::nullopt;
    if (count >= 2)
        out.push_back(static_cast<std::uint8_t>(bits >> (count == 2 ? 4 : 10)));
    if (count == 3)
        out.push_back(static_cast<std::uint8_t>(bits >> 2));
    return out;
}

struct Frame {
    enum class Type { Plist, Array, Dict };
    explicit Frame(Type frameType, bool discardValues = false)
        : type(frameType)
        , discard(discardValues)
    {
    }
    Type type;
    bool discard;
    PropertyArray array;
    PropertyDictionary dict;
    std::string key;
    bool haveKey { false };
    bool keepValue { true };
};

class Parser {
public:
    Parser(std::string_view document, const PlistXMLReader::KeepFilter& keep, int maxDepth)
        : mText(document)
        , mKeep(keep)
        , mMaxDepth(maxDepth)
    {
        mFrames.reserve(static_cast<std::size_t>(std::max(maxDepth, 0)) + 2);
    }

    std::optional<PropertyValue> run()
    {
        while (skipMarkup()) {
            if (!step())
                return std::nullopt;
        }
        if (mFailed || !mFrames.empty() || !mRoot)
            return std::nullopt;
        return std::move(mRoot);
    }

private:
    // Skips white space, comments, processing instructions and the document type;
    // true when an element tag starts at the position.
    bool skipMarkup()
    {
        for (;;) {
            while (mAt < mText.size() && isSpace(mText[mAt]))
                ++mAt;
            if (mAt >= mText.size())
                return false;
            if (mText[mAt] != '<')
                return fail();
            const std::string_view rest = mText.substr(mAt);
            if (rest.starts_with("<?")) {
                if (!skipPast("?>"))
                    return false;
            } else if (rest.starts_with("<!--")) {
                if (!skipPast("-->"))
                    return false;
            } else if (rest.starts_with("<!DOCTYPE")) {
                if (!skipDoctype())
                    return false;
            } else {
                return true;
            }
        }
    }

    bool skipPast(std::string_view marker)
    {
        const std::size_t found = mText.find(marker, mAt);
        if (found == std::string_view::npos)
            return fail();
        mAt = found + marker.size();
        return true;
    }

    bool skipDoctype()
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
        return fail();
    }

    bool fail()
    {
        mFailed = true;
        return false;
    }

    struct Tag {
        std::string_view name;
        bool closing { false };
        bool empty { false };
    };

    std::optional<Tag> readTag()
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

    bool discarding() const
    {
        if (mFrames.empty())
            return false;
        const Frame& top = mFrames.back();
        return top.discard || (top.type == Frame::Type::Dict && top.haveKey && !top.keepValue);
    }

    // The character data of a scalar element up to its closing tag, entities and
    // character-data sections resolved (left raw when decode is false).
    std::optional<std::string> readContent(std::string_view name, bool empty, bool decode)
    {
        std::string out;
        if (empty)
            return out;
        for (;;) {
            const std::size_t lt = mText.find('<', mAt);
            if (lt == std::string_view::npos)
                return std::nullopt;
            if (decode && !appendDecoded(out, mText.substr(mAt, lt - mAt)))
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

    bool step()
    {
        const auto tag = readTag();
        if (!tag)
            return fail();
        if (tag->closing)
            return close(tag->name);
        if (tag->name == "plist") {
            if (!mFrames.empty() || mRoot)
                return fail();
            if (tag->empty)
                return fail();
            mFrames.emplace_back(Frame::Type::Plist);
            return true;
        }
        if (tag->name == "dict" || tag->name == "array")
            return open(tag->name == "dict" ? Frame::Type::Dict : Frame::Type::Array, tag->empty);
        if (tag->name == "key")
            return readKey(tag->empty);
        return readScalar(tag->name, tag->empty);
    }

    bool open(Frame::Type type, bool empty)
    {
        const int depth = static_cast<int>(mFrames.size()) - (!mFrames.empty() && mFrames.front().type == Frame::Type::Plist ? 1 : 0);
        if (depth >= mMaxDepth)
            return fail();
        const bool discard = discarding();
        if (empty) {
            if (type == Frame::Type::Dict)
                return attach(PropertyValue(PropertyDictionary {}));
            return attach(PropertyValue(PropertyArray {}));
        }
        mFrames.emplace_back(type, discard);
        return true;
    }

    bool close(std::string_view name)
    {
        if (mFrames.empty())
            return fail();
        Frame& top = mFrames.back();
        const bool matches = (top.type == Frame::Type::Plist && name == "plist") || (top.type == Frame::Type::Dict && name == "dict")
            || (top.type == Frame::Type::Array && name == "array");
        if (!matches || (top.type == Frame::Type::Dict && top.haveKey))
            return fail();
        if (top.type == Frame::Type::Plist) {
            mFrames.pop_back();
            return mRoot.has_value() || fail();
        }
        PropertyValue value = top.type == Frame::Type::Dict ? PropertyValue(std::move(top.dict)) : PropertyValue(std::move(top.array));
        mFrames.pop_back();
        return attach(std::move(value));
    }

    bool readKey(bool empty)
    {
        if (mFrames.empty() || mFrames.back().type != Frame::Type::Dict || mFrames.back().haveKey)
            return fail();
        Frame& dict = mFrames.back();
        auto key = readContent("key", empty, !dict.discard);
        if (!key)
            return fail();
        dict.key = std::move(*key);
        dict.haveKey = true;
        dict.keepValue = !dict.discard;
        if (!dict.discard && mKeep) {
            mKeyPath.clear();
            for (const Frame& frame : mFrames) {
                if (frame.type == Frame::Type::Dict)
                    mKeyPath.push_back(frame.key);
            }
            dict.keepValue = mKeep(mKeyPath);
        }
        return true;
    }

    bool readScalar(std::string_view name, bool empty)
    {
        const bool discard = discarding();
        if (name == "true" || name == "false") {
            if (!readContent(name, empty, false))
                return fail();
            return attach(PropertyValue(name == "true"));
        }
        const bool known = name == "string" || name == "integer" || name == "real" || name == "date" || name == "data";
        if (!known)
            return fail();
        auto text = readContent(name, empty, !discard || name != "string");
        if (!text)
            return fail();
        if (discard && name == "string")
            return attach(PropertyValue());
        if (name == "string")
            return attach(PropertyValue(std::move(*text)));
        if (name == "integer") {
            const auto value = parseInteger(*text);
            return value ? attach(PropertyValue(*value)) : fail();
        }
        if (name == "real") {
            const auto value = parseReal(*text);
            return value ? attach(PropertyValue(*value)) : fail();
        }
        if (name == "date") {
            const auto value = parseDate(*text);
            return value ? attach(PropertyValue(*value)) : fail();
        }
        auto data = parseBase64(*text);
        return data ? attach(PropertyValue(std::move(*data))) : fail();
    }

    bool attach(PropertyValue&& value)
    {
        if (mFrames.empty() || mFrames.back().type == Frame::Type::Plist) {
            if (mRoot)
                return fail();
            mRoot = std::move(value);
            return true;
        }
        Frame& top = mFrames.back();
        if (top.type == Frame::Type::Array) {
            if (!top.discard)
                top.array.push_back(std::move(value));
            return true;
        }
        if (!top.haveKey)
            return fail();
        // A repeated key keeps its first value, as the settings store's reader does.
        if (top.keepValue)
            top.dict.emplace(std::move(top.key), std::move(value));
        top.haveKey = false;
        top.key.clear();
        return true;
    }

    std::string_view mText;
    std::size_t mAt { 0 };
    const PlistXMLReader::KeepFilter& mKeep;
    int mMaxDepth;
    std::vector<Frame> mFrames;
    PlistXMLReader::KeyPath mKeyPath;
    std::optional<PropertyValue> mRoot;
    bool mFailed { false };
};

}

std::optional<PropertyValue> PlistXMLReader::parse(std::string_view document, const KeepFilter& keep, int maxDepth)
{
    return Parser(document, keep, maxDepth).run();
}
