// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/PropertyList.h"

#include "platform/BigEndian.h"
#include "platform/WholeFile.h"

#include <plist/plist.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string_view>
#include <vector>

namespace {

struct PlistFree {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

std::optional<PropertyValue> fromPlist(plist_t node, int depth);

std::optional<PropertyValue> numberFromPlist(plist_t node, plist_type type)
{
    switch (type) {
    case PLIST_BOOLEAN: {
        std::uint8_t v = 0;
        plist_get_bool_val(node, &v);
        return PropertyValue(v != 0);
    }
    case PLIST_UINT: {
        std::uint64_t v = 0;
        plist_get_uint_val(node, &v);
        return PropertyValue(static_cast<std::int64_t>(v));
    }
    case PLIST_REAL: {
        double v = 0;
        plist_get_real_val(node, &v);
        return PropertyValue(v);
    }
    case PLIST_DATE: {
        std::int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        return PropertyValue(static_cast<double>(sec) + usec / 1e6);
    }
    case PLIST_UID: {
        std::uint64_t v = 0;
        plist_get_uid_val(node, &v);
        return PropertyValue(static_cast<std::int64_t>(v));
    }
    default:
        return std::nullopt;
    }
}

PropertyValue stringFromPlist(plist_t node)
{
    char* s = nullptr;
    plist_get_string_val(node, &s);
    std::string value = s ? s : "";
    std::free(s);
    return PropertyValue(std::move(value));
}

PropertyValue dataFromPlist(plist_t node)
{
    char* bytes = nullptr;
    std::uint64_t length = 0;
    plist_get_data_val(node, &bytes, &length);
    PropertyData data(bytes, bytes + length);
    std::free(bytes);
    return PropertyValue(std::move(data));
}

std::optional<PropertyValue> arrayFromPlist(plist_t node, int depth)
{
    PropertyArray array;
    const std::uint32_t n = plist_array_get_size(node);
    array.reserve(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        auto item = fromPlist(plist_array_get_item(node, i), depth + 1);
        if (!item)
            return std::nullopt;
        array.push_back(std::move(*item));
    }
    return PropertyValue(std::move(array));
}

std::optional<PropertyValue> dictionaryFromPlist(plist_t node, int depth)
{
    PropertyDictionary dict;
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(node, &it);
    if (!it)
        return PropertyValue(std::move(dict));
    for (;;) {
        char* key = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(node, it, &key, &item);
        if (!item) {
            std::free(key);
            break;
        }
        auto value = fromPlist(item, depth + 1);
        if (!value) {
            std::free(key);
            std::free(it);
            return std::nullopt;
        }
        // A repeated key keeps its first value, as the store's readers expect.
        dict.emplace(key ? key : "", std::move(*value));
        std::free(key);
    }
    std::free(it);
    return PropertyValue(std::move(dict));
}

std::optional<PropertyValue> fromPlist(plist_t node, int depth)
{
    if (!node || depth > PropertyList::kMaxDepth)
        return std::nullopt;
    const plist_type type = plist_get_node_type(node);
    switch (type) {
    case PLIST_STRING:
        return stringFromPlist(node);
    case PLIST_DATA:
        return dataFromPlist(node);
    case PLIST_ARRAY:
        return arrayFromPlist(node, depth);
    case PLIST_DICT:
        return dictionaryFromPlist(node, depth);
    default:
        return numberFromPlist(node, type);
    }
}

plist_t toPlist(const PropertyValue& value)
{
    struct Visitor {
        plist_t operator()(const std::string& v) const { return plist_new_string(v.c_str()); }
        plist_t operator()(std::int64_t v) const { return plist_new_uint(static_cast<std::uint64_t>(v)); }
        plist_t operator()(double v) const { return plist_new_real(v); }
        plist_t operator()(bool v) const { return plist_new_bool(v ? 1 : 0); }
        plist_t operator()(const PropertyData& v) const
        {
            return plist_new_data(reinterpret_cast<const char*>(v.data()), v.size());
        }
        plist_t operator()(const PropertyArray& v) const
        {
            plist_t node = plist_new_array();
            for (const auto& item : v)
                plist_array_append_item(node, toPlist(item));
            return node;
        }
        plist_t operator()(const PropertyDictionary& v) const
        {
            plist_t node = plist_new_dict();
            for (const auto& [key, item] : v)
                plist_dict_set_item(node, key.c_str(), toPlist(item));
            return node;
        }
    };
    return std::visit(Visitor {}, value.storage());
}

// libplist builds and frees its trees recursively and expands every reference of a
// binary list anew, so a small hostile file can exhaust the stack (deep nesting) or
// memory and time (a chain of objects each referring twice to the next). The shape
// is checked before libplist sees the bytes.

// Depth of array and dictionary elements, skipping comments, character data and
// declarations, so that nothing in them can hide an opening or a closing.
bool xmlNestingIsBounded(std::string_view text)
{
    int depth = 0;
    std::size_t at = 0;
    while ((at = text.find('<', at)) != std::string_view::npos) {
        const std::string_view rest = text.substr(at);
        std::string_view end = ">";
        if (rest.starts_with("<!--"))
            end = "-->";
        else if (rest.starts_with("<![CDATA["))
            end = "]]>";
        else if (rest.starts_with("<?"))
            end = "?>";
        const std::size_t close = text.find(end, at + 1);
        if (close == std::string_view::npos)
            return true; // unterminated: libplist refuses it without going deep
        const std::string_view tag = text.substr(at + 1, close - at - 1);
        at = close + end.size();
        const auto named = [&](std::string_view t, std::string_view name) {
            return t.starts_with(name) && (t.size() == name.size() || !std::isalnum(static_cast<unsigned char>(t[name.size()])));
        };
        if (named(tag, "/array") || named(tag, "/dict")) {
            --depth;
        } else if ((named(tag, "array") || named(tag, "dict")) && !tag.ends_with("/")) {
            if (++depth > PropertyList::kMaxDepth)
                return false;
        }
    }
    return true;
}

// A binary list's objects as a graph: every container reached from the top must
// nest no deeper than kMaxDepth, form no cycle, and expand (counting each reference
// as the copy libplist makes) to a bounded number of nodes.
class BinaryShape {
public:
    explicit BinaryShape(std::span<const char> bytes)
        : mBytes(reinterpret_cast<const unsigned char*>(bytes.data()))
        , mSize(bytes.size())
    {
    }

    bool isBounded()
    {
        if (mSize < 8 + 32)
            return true; // too short to hold a list: libplist refuses it
        const unsigned char* trailer = mBytes + mSize - 32;
        mOffsetSize = trailer[6];
        mRefSize = trailer[7];
        mCount = readBigEndian(trailer + 8, 8);
        const std::uint64_t top = readBigEndian(trailer + 16, 8);
        mTableOffset = readBigEndian(trailer + 24, 8);
        if (mOffsetSize < 1 || mOffsetSize > 8 || mRefSize < 1 || mRefSize > 8 || top >= mCount || mTableOffset < 8
            || mTableOffset > mSize - 32 || mCount > (mSize - 32 - mTableOffset) / mOffsetSize)
            return false;
        mState.assign(mCount, 0);
        mDepth.assign(mCount, 0);
        mWeight.assign(mCount, 0);
        mLimit = 1000000 + 8 * mCount;
        return walk(top);
    }

private:
    struct Visit {
        std::uint64_t object;
        std::uint64_t next;
    };

    // The references an object holds: where they start and how many; nothing for
    // a scalar, false for an object that does not fit the file or that libplist
    // would abort on.
    bool references(std::uint64_t object, std::uint64_t& first, std::uint64_t& count) const
    {
        count = 0;
        const std::uint64_t offset = readBigEndian(mBytes + mTableOffset + object * mOffsetSize, mOffsetSize);
        if (offset < 8 || offset >= mTableOffset)
            return false;
        const unsigned type = mBytes[offset] >> 4;
        if (type != 0xA && type != 0xC && type != 0xD && type != kUtf16String)
            return true;
        std::uint64_t length = mBytes[offset] & 0x0F;
        first = offset + 1;
        if (length == 0x0F) {
            if (first >= mTableOffset || (mBytes[first] >> 4) != 0x1 || (mBytes[first] & 0x0F) > 3)
                return false;
            const std::size_t size = std::size_t { 1 } << (mBytes[first] & 0x0F);
            if (first + 1 + size > mTableOffset)
                return false;
            length = readBigEndian(mBytes + first + 1, size);
            first += 1 + size;
        }
        if (type == kUtf16String)
            return !holdsNulCharacter(first, length);
        count = type == 0xD ? length * 2 : length;
        if (length > mTableOffset || count > (mTableOffset - first) / mRefSize)
            return false;
        return true;
    }

    // libplist asserts that a string read from UTF-16 holds no U+0000, which would
    // end the program on a file anyone can write; such a string (or one that does
    // not fit the file) makes the list refused instead.
    bool holdsNulCharacter(std::uint64_t first, std::uint64_t length) const
    {
        if (length > (mTableOffset - first) / 2)
            return true;
        for (std::uint64_t i = 0; i < length; ++i) {
            if (mBytes[first + 2 * i] == 0 && mBytes[first + 2 * i + 1] == 0)
                return true;
        }
        return false;
    }

    std::uint64_t reference(std::uint64_t first, std::uint64_t index) const
    {
        return readBigEndian(mBytes + first + index * mRefSize, mRefSize);
    }

    bool walk(std::uint64_t top)
    {
        std::vector<Visit> stack { { top, 0 } };
        mState[top] = 1;
        while (!stack.empty()) {
            Visit& visit = stack.back();
            std::uint64_t first = 0, count = 0;
            if (!references(visit.object, first, count))
                return false;
            if (visit.next < count) {
                const std::uint64_t child = reference(first, visit.next++);
                if (child >= mCount || mState[child] == 1)
                    return false;
                if (mState[child] == 0) {
                    if (stack.size() > static_cast<std::size_t>(PropertyList::kMaxDepth))
                        return false;
                    mState[child] = 1;
                    stack.push_back({ child, 0 });
                }
                continue;
            }
            std::uint64_t depth = 0, weight = 1;
            for (std::uint64_t i = 0; i < count; ++i) {
                const std::uint64_t child = reference(first, i);
                depth = std::max(depth, mDepth[child] + 1);
                weight += mWeight[child];
                if (weight > mLimit)
                    return false;
            }
            if (depth > static_cast<std::uint64_t>(PropertyList::kMaxDepth))
                return false;
            mDepth[visit.object] = depth;
            mWeight[visit.object] = weight;
            mState[visit.object] = 2;
            stack.pop_back();
        }
        return true;
    }

    static constexpr unsigned kUtf16String = 0x6;

    const unsigned char* mBytes;
    std::size_t mSize;
    unsigned mOffsetSize { 0 };
    unsigned mRefSize { 0 };
    std::uint64_t mCount { 0 };
    std::uint64_t mTableOffset { 0 };
    std::uint64_t mLimit { 0 };
    std::vector<std::uint8_t> mState;
    std::vector<std::uint64_t> mDepth;
    std::vector<std::uint64_t> mWeight;
};

bool shapeIsBounded(std::span<const char> bytes)
{
    const std::string_view text(bytes.data(), bytes.size());
    if (text.starts_with("bplist"))
        return BinaryShape(bytes).isBounded();
    // XML may not hold a NUL byte, and libplist asserts that its strings do not.
    return text.find('\0') == std::string_view::npos && xmlNestingIsBounded(text);
}

}

std::optional<PropertyValue> PropertyList::parse(std::span<const char> bytes)
{
    // Some editors begin a text file with a byte-order mark; libplist takes it for damage.
    if (std::string_view(bytes.data(), bytes.size()).starts_with(kByteOrderMark))
        bytes = bytes.subspan(kByteOrderMark.size());
    if (bytes.empty() || bytes.size() > std::numeric_limits<std::uint32_t>::max() || !shapeIsBounded(bytes))
        return std::nullopt;
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &root);
    PlistPtr owner(root);
    return fromPlist(root, 0);
}

std::optional<PropertyValue> PropertyList::readFile(const std::string& path)
{
    // parse refuses more than 32 bits' worth, so a larger file is not read at all.
    const auto bytes = readWholeFile(path, { .maxBytes = std::numeric_limits<std::uint32_t>::max() });
    if (!bytes)
        return std::nullopt;
    return parse(*bytes);
}

std::string PropertyList::toXML(const PropertyValue& value)
{
    PlistPtr root(toPlist(value));
    char* xml = nullptr;
    std::uint32_t length = 0;
    plist_to_xml(root.get(), &xml, &length);
    std::string result = xml ? std::string(xml, length) : std::string();
    std::free(xml);
    return result;
}
