// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes either are refused or give a saved search whose query is made or refused
// without fault; the query is never executed, so the fuzzer walks no folders.
#include "query/QueryScopes.h"
#include "sources/SavedSearch.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto search = SavedSearch::savedSearchWithData(std::span(reinterpret_cast<const char*>(data), size));
    if (!search)
        return 0;
    if (search->rawQuery) {
        auto query = MetadataQuery::create(*search->rawQuery);
        if (query && search->searchScopes)
            query->setSearchScope(*search->searchScopes);
    }
    if (search->searchScopes)
        (void)QueryScopes::folders(*search->searchScopes);
    return 0;
}
