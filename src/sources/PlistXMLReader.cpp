// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/PlistXMLReader.h"

#include "settings/PropertyList.h"
#include "sources/PlistXMLText.h"
#include "sources/PlistXMLTokenizer.h"

#include <algorithm>

namespace {

struct Frame {
    enum class Type {
        Plist,
        Array,
        Dict
    };
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
        : mTokens(document)
        , mKeep(keep)
        , mMaxDepth(maxDepth)
    {
        mFrames.reserve(static_cast<std::size_t>(std::max(maxDepth, 0)) + 2);
    }

    std::optional<PropertyValue> run()
    {
        for (;;) {
            switch (mTokens.skipMarkup()) {
            case PlistXMLTokenizer::Next::Tag:
                if (!step())
                    return std::nullopt;
                break;
            case PlistXMLTokenizer::Next::End:
                if (!mFrames.empty() || !mRoot)
                    return std::nullopt;
                return std::move(mRoot);
            case PlistXMLTokenizer::Next::Malformed:
                return std::nullopt;
            }
        }
    }

private:
    bool discarding() const
    {
        if (mFrames.empty())
            return false;
        const Frame& top = mFrames.back();
        return top.discard || (top.type == Frame::Type::Dict && top.haveKey && !top.keepValue);
    }

    bool step()
    {
        const auto tag = mTokens.readTag();
        if (!tag)
            return false;
        if (tag->closing)
            return close(tag->name);
        if (tag->name == "plist") {
            if (!mFrames.empty() || mRoot)
                return false;
            if (tag->empty)
                return false;
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
            return false;
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
            return false;
        Frame& top = mFrames.back();
        const bool matches = (top.type == Frame::Type::Plist && name == "plist") || (top.type == Frame::Type::Dict && name == "dict")
            || (top.type == Frame::Type::Array && name == "array");
        if (!matches || (top.type == Frame::Type::Dict && top.haveKey))
            return false;
        if (top.type == Frame::Type::Plist) {
            mFrames.pop_back();
            return mRoot.has_value();
        }
        PropertyValue value = top.type == Frame::Type::Dict ? PropertyValue(std::move(top.dict)) : PropertyValue(std::move(top.array));
        mFrames.pop_back();
        return attach(std::move(value));
    }

    bool readKey(bool empty)
    {
        if (mFrames.empty() || mFrames.back().type != Frame::Type::Dict || mFrames.back().haveKey)
            return false;
        Frame& dict = mFrames.back();
        auto key = mTokens.readContent("key", empty, !dict.discard);
        if (!key)
            return false;
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
            if (!mTokens.readContent(name, empty, false))
                return false;
            return attach(PropertyValue(name == "true"));
        }
        const bool known = name == "string" || name == "integer" || name == "real" || name == "date" || name == "data";
        if (!known)
            return false;
        auto text = mTokens.readContent(name, empty, !discard || name != "string");
        if (!text)
            return false;
        if (discard && name == "string")
            return attach(PropertyValue());
        if (name == "string")
            return attach(PropertyValue(std::move(*text)));
        if (name == "integer") {
            const auto value = PlistXMLText::parseInteger(*text);
            return value && attach(PropertyValue(*value));
        }
        if (name == "real") {
            const auto value = PlistXMLText::parseReal(*text);
            return value && attach(PropertyValue(*value));
        }
        if (name == "date") {
            const auto value = PlistXMLText::parseDate(*text);
            return value && attach(PropertyValue(*value));
        }
        auto data = PlistXMLText::parseBase64(*text);
        return data && attach(PropertyValue(std::move(*data)));
    }

    bool attach(PropertyValue&& value)
    {
        if (mFrames.empty() || mFrames.back().type == Frame::Type::Plist) {
            if (mRoot)
                return false;
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
            return false;
        // A repeated key keeps its first value, as the settings store's reader does.
        if (top.keepValue)
            top.dict.emplace(std::move(top.key), std::move(value));
        top.haveKey = false;
        top.key.clear();
        return true;
    }

    PlistXMLTokenizer mTokens;
    const PlistXMLReader::KeepFilter& mKeep;
    int mMaxDepth;
    std::vector<Frame> mFrames;
    PlistXMLReader::KeyPath mKeyPath;
    std::optional<PropertyValue> mRoot;
};

}

std::optional<PropertyValue> PlistXMLReader::parse(std::string_view document, const KeepFilter& keep, int maxDepth)
{
    if (document.starts_with(PropertyList::kByteOrderMark))
        document.remove_prefix(PropertyList::kByteOrderMark.size());
    return Parser(document, keep, maxDepth).run();
}
