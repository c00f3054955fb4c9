// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PropertyList.h"

#include <plist/plist.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>

namespace {

struct PlistFree {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

std::optional<PropertyValue> fromPlist(plist_t node, int depth)
{
    if (!node || depth > PropertyList::kMaxDepth)
        return std::nullopt;
    switch (plist_get_node_type(node)) {
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
    case PLIST_STRING: {
        char* s = nullptr;
        plist_get_string_val(node, &s);
        std::string value = s ? s : "";
        std::free(s);
        return PropertyValue(std::move(value));
    }
    case PLIST_DATA: {
        char* bytes = nullptr;
        std::uint64_t length = 0;
        plist_get_data_val(node, &bytes, &length);
        PropertyData data(bytes, bytes + length);
        std::free(bytes);
        return PropertyValue(std::move(data));
    }
    case PLIST_ARRAY: {
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
    case PLIST_DICT: {
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
    default:
        return std::nullopt;
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

}

std::optional<PropertyValue> PropertyList::parse(std::span<const char> bytes)
{
    if (bytes.empty() || bytes.size() > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &root);
    PlistPtr owner(root);
    return fromPlist(root, 0);
}

std::optional<PropertyValue> PropertyList::readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return parse(bytes);
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
