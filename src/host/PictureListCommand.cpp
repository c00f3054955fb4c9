// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/PictureListCommand.h"

#include "host/EmptyListReason.h"
#include "saver/SkyvanesView.h"
#include "sources/ImagePathList.h"
#include "sources/SavedSearch.h"

namespace {

const char* failureText(SavedSearch::Failure failure)
{
    switch (failure) {
    case SavedSearch::Failure::Unreadable:
        return "cannot be read as a property list with a dictionary at its root";
    case SavedSearch::Failure::NoRawQuery:
        return "has no \"RawQuery\" string at its root";
    case SavedSearch::Failure::Refused:
        return "holds a query expression that is not well formed";
    default:
        return nullptr;
    }
}

}

int PictureListCommand::run(std::ostream& out, std::ostream& err)
{
    SkyvanesView::initialize();
    // A saved search's results are its pictures: the first gathering is waited for,
    // and the person is told when the file gives no query at all.
    std::vector<std::string> searchResults;
    const auto paths = ImagePathList::loadImagePaths([&](const std::string& savedSearch) {
        SavedSearch::Failure failure = SavedSearch::Failure::None;
        auto query = SavedSearch::liveQueryForFile(savedSearch, &failure);
        if (!query) {
            err << "skyvanes: the saved search " << savedSearch << ' ' << failureText(failure) << '\n';
            return;
        }
        query->waitUntilGathered();
        query->stop();
        for (std::size_t i = 0; i < query->resultCount(); ++i)
            searchResults.push_back(*query->resultPathAtIndex(i));
    });
    const auto& shown = paths.empty() ? searchResults : paths;
    for (const auto& path : shown)
        out << path << '\n';
    out.flush();
    err << shown.size() << (shown.size() == 1 ? " picture\n" : " pictures\n");
    if (shown.empty()) {
        if (auto reason = EmptyListReason::find())
            err << *reason << '\n';
    }
    return 0;
}
