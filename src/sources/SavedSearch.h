// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "query/MetadataQuery.h"
#include "settings/PropertyValue.h"

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

// A saved search: a property list with the query expression under "RawQuery" at
// its root and the scopes in one of two layouts, chosen by "CompatibleVersion":
// above 0, "RawQueryDict"/"SearchScopes"; otherwise "SearchCriteria"/"FXScopeArrayOfPaths".
class SavedSearch {
public:
    // Why a saved search gives no query.
    enum class Failure {
        None,
        Unreadable,
        NoRawQuery,
        Refused,
        NoUsableScope // a query, but every scope entry was dropped, so it finds nothing
    };

    // The root "RawQuery" string, when there is one.
    std::optional<std::string> rawQuery;
    // The string entries of the layout's scope array; nothing when there is no
    // such array (or it is empty), which means the query's default scope.
    std::optional<std::vector<std::string>> searchScopes;

    // The contents of the file at path, or nothing when it cannot be read as a
    // property list whose root is a dictionary or is larger than kMaxFileBytes.
    static constexpr std::size_t kMaxFileBytes = std::size_t { 4 } << 20;
    static std::optional<SavedSearch> savedSearchWithContentsOfFile(const std::string& path);
    // The same for the bytes of such a file.
    static std::optional<SavedSearch> savedSearchWithData(std::span<const char> bytes);

    // The query of the file at path, scoped but not executed; null when the file
    // cannot be read, has no "RawQuery", or its expression is refused (failure says
    // which, when given, and also when the query is left with no usable scope).
    static std::unique_ptr<MetadataQuery> queryForFile(const std::string& path, Failure* failure = nullptr);
    // The same query, executed and gathering.
    static std::unique_ptr<MetadataQuery> liveQueryForFile(const std::string& path);

private:
    static std::optional<SavedSearch> fromRoot(const std::optional<PropertyValue>& root);
};
