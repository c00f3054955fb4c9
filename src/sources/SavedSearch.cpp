// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/SavedSearch.h"

#include "platform/WholeFile.h"
#include "settings/PropertyList.h"

#include <cmath>
#include <cstdlib>

namespace {

// "CompatibleVersion" read as an integer, as a number or a numeric string would be;
// absent or anything else reads 0.
std::int64_t integerValue(const PropertyValue* value)
{
    if (!value)
        return 0;
    if (const auto* integer = value->integer())
        return *integer;
    if (const auto* real = value->real())
        return std::isfinite(*real) && std::fabs(*real) < 1e18 ? static_cast<std::int64_t>(*real) : 0;
    if (const auto* boolean = value->boolean())
        return *boolean ? 1 : 0;
    if (const auto* text = value->string())
        return std::strtoll(text->c_str(), nullptr, 10);
    return 0;
}

const PropertyArray* arrayIn(const PropertyValue& root, std::string_view dictionary, std::string_view key)
{
    const PropertyValue* holder = root.find(dictionary);
    const PropertyValue* array = holder ? holder->find(key) : nullptr;
    return array ? array->array() : nullptr;
}

}

std::optional<SavedSearch> SavedSearch::savedSearchWithContentsOfFile(const std::string& path)
{
    // Saved searches are a few kilobytes; a huge one is damaged, and parsing it
    // whole would cost seconds and gigabytes on the first frame.
    const auto bytes = readWholeFile(path, { .maxBytes = kMaxFileBytes });
    if (!bytes)
        return std::nullopt;
    return savedSearchWithData(*bytes);
}

std::optional<SavedSearch> SavedSearch::savedSearchWithData(std::span<const char> bytes)
{
    return fromRoot(PropertyList::parse(bytes));
}

std::optional<SavedSearch> SavedSearch::fromRoot(const std::optional<PropertyValue>& root)
{
    if (!root || !root->dictionary())
        return std::nullopt;
    SavedSearch search;
    if (const PropertyValue* query = root->find("RawQuery"); query && query->string())
        search.rawQuery = *query->string();
    const PropertyArray* scopes = integerValue(root->find("CompatibleVersion")) > 0 ? arrayIn(*root, "RawQueryDict", "SearchScopes")
                                                                                    : arrayIn(*root, "SearchCriteria", "FXScopeArrayOfPaths");
    if (scopes && !scopes->empty()) {
        search.searchScopes.emplace();
        for (const PropertyValue& entry : *scopes) {
            if (entry.string())
                search.searchScopes->push_back(*entry.string());
        }
    }
    return search;
}

std::unique_ptr<MetadataQuery> SavedSearch::queryForFile(const std::string& path, Failure* failure)
{
    Failure why = Failure::None;
    std::unique_ptr<MetadataQuery> query;
    const auto search = savedSearchWithContentsOfFile(path);
    if (!search)
        why = Failure::Unreadable;
    else if (!search->rawQuery)
        why = Failure::NoRawQuery;
    else if (!(query = MetadataQuery::create(*search->rawQuery)))
        why = Failure::Refused;
    if (query && search->searchScopes) {
        query->setSearchScope(*search->searchScopes);
        if (query->hasNoUsableScope())
            why = Failure::NoUsableScope;
    }
    if (failure)
        *failure = why;
    return query;
}

std::unique_ptr<MetadataQuery> SavedSearch::liveQueryForFile(const std::string& path)
{
    auto query = queryForFile(path);
    if (query)
        query->execute();
    return query;
}
