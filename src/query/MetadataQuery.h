// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "query/QueryExpression.h"
#include "query/QueryWorker.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

// A live search of the files on this computer: the files of its scope folders that
// match a query expression, in the order found, new ones appended, a removed one's
// place taken by the last. A worker thread
// gathers and follows them; the results themselves change only on the thread that
// owns the query, in deliverPendingUpdates, and never while updates are disabled.
class MetadataQuery {
public:
    // A query for the expression, or null when the expression is refused (a syntax
    // error; an unknown attribute is no error, it simply has no value).
    static std::unique_ptr<MetadataQuery> create(std::string_view expression);
    ~MetadataQuery();
    MetadataQuery(const MetadataQuery&) = delete;
    MetadataQuery& operator=(const MetadataQuery&) = delete;

    // Limits the search to these entries (see QueryScopes); without a call the
    // query searches the home folder and the mounted volumes. Entries no path can
    // be made of are dropped; when that leaves none, the query finds nothing.
    void setSearchScope(std::vector<std::string> scopes);

    // True when the last setSearchScope had entries and every one was dropped.
    bool hasNoUsableScope() const { return mNoUsableScope; }

    // Starts gathering and returns at once; results arrive on later deliveries and
    // are kept up to date from then on. A second call does nothing.
    void execute();

    // Between the two calls the results do not change. Calls nest.
    void disableUpdates() { ++mUpdatesDisabled; }
    void enableUpdates();

    // True when the worker has found changes that the next delivery would apply.
    bool updatesPending() const;

    std::size_t resultCount() const { return mResults.size(); }
    // How many results have been written, moved or dropped since the query was
    // made; what a change costs, for tests and benchmarks.
    std::size_t resultListOperations() const { return mResultListOperations; }
    // The path of the result at index, or nothing when index is not below the count.
    std::optional<std::string> resultPathAtIndex(std::size_t index) const;

    // Ends the worker (within a few milliseconds) and lets go of every watch; the
    // results stay as they are. Safe to call twice.
    void stop();

    // Blocks until the first walk of every scope folder is over (or the query has
    // stopped), then delivers; for a command that prints the results once.
    void waitUntilGathered();

    // Applies the changes the worker has found to every live query of this thread
    // whose updates are not disabled. The host calls it between frames.
    static void deliverPendingUpdates();

private:
    explicit MetadataQuery(std::shared_ptr<const QueryExpression> expression);
    void deliver();
    void apply(std::vector<QueryWorker::Change>& changes);

    std::shared_ptr<const QueryExpression> mExpression;
    std::vector<std::string> mScopes;
    std::vector<std::string> mResults;
    std::unordered_map<std::string, std::size_t> mIndex; // of each result in mResults
    std::size_t mResultListOperations { 0 };
    int mUpdatesDisabled { 0 };
    bool mExecuted { false };
    bool mNoUsableScope { false };
    std::shared_ptr<QueryWorker::Outbox> mOutbox;
    int mStopFd { -1 };
    std::thread mWorker;
};
