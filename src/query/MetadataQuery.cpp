// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/MetadataQuery.h"

#include "platform/Log.h"
#include "platform/MimeDatabase.h"
#include "query/QueryScopes.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

namespace {

// The queries that have been executed and not yet stopped; they live on the
// main thread, so no lock is needed.
std::vector<MetadataQuery*>& liveQueries()
{
    static std::vector<MetadataQuery*> queries;
    return queries;
}

bool sWatchLimitLogged = false;

}

std::unique_ptr<MetadataQuery> MetadataQuery::create(std::string_view expression)
{
    auto parsed = QueryExpression::expressionWithText(expression);
    if (!parsed)
        return nullptr;
    return std::unique_ptr<MetadataQuery>(new MetadataQuery(std::move(parsed)));
}

MetadataQuery::MetadataQuery(std::shared_ptr<const QueryExpression> expression)
    : mExpression(std::move(expression))
    , mScopes(QueryScopes::defaultEntries())
    , mOutbox(std::make_shared<QueryWorker::Outbox>())
{
}

MetadataQuery::~MetadataQuery()
{
    stop();
}

void MetadataQuery::setSearchScope(std::vector<std::string> scopes)
{
    const bool given = !scopes.empty();
    std::erase_if(scopes, [](const std::string& entry) { return !QueryScopes::canNamePath(entry); });
    mNoUsableScope = given && scopes.empty();
    mScopes = std::move(scopes);
}

void MetadataQuery::execute()
{
    if (mExecuted)
        return;
    mExecuted = true;
    // Nothing to search is gathered at once; no worker waits on folders that are not there.
    auto folders = QueryScopes::folders(mScopes);
    if (folders.empty() || (mStopFd = ::eventfd(0, EFD_CLOEXEC)) < 0) {
        mOutbox->gathered = true;
        return;
    }
    auto worker = std::make_shared<QueryWorker>(mExpression, std::move(folders), MimeDatabase::shared(), mOutbox);
    mWorker = std::thread([worker, fd = mStopFd] { worker->run(fd); });
    liveQueries().push_back(this);
}

void MetadataQuery::enableUpdates()
{
    if (mUpdatesDisabled > 0)
        --mUpdatesDisabled;
}

bool MetadataQuery::updatesPending() const
{
    std::lock_guard lock(mOutbox->mutex);
    return !mOutbox->changes.empty();
}

std::optional<std::string> MetadataQuery::resultPathAtIndex(std::size_t index) const
{
    if (index >= mResults.size())
        return std::nullopt;
    return mResults[index];
}

void MetadataQuery::stop()
{
    std::erase(liveQueries(), this);
    if (mWorker.joinable()) {
        mOutbox->stopping = true;
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(mStopFd, &one, sizeof one);
        mWorker.join();
    }
    if (mStopFd >= 0) {
        ::close(mStopFd);
        mStopFd = -1;
    }
    {
        std::lock_guard lock(mOutbox->mutex);
        mOutbox->gathered = true;
    }
    mOutbox->gatheredChanged.notify_all();
}

void MetadataQuery::waitUntilGathered()
{
    {
        std::unique_lock lock(mOutbox->mutex);
        mOutbox->gatheredChanged.wait(lock, [this] { return mOutbox->gathered || !mExecuted; });
    }
    deliver();
}

void MetadataQuery::deliverPendingUpdates()
{
    // A copy: a query is never stopped from inside a delivery, but the list must
    // not be walked while it could change.
    const std::vector<MetadataQuery*> queries = liveQueries();
    for (MetadataQuery* query : queries)
        query->deliver();
}

void MetadataQuery::deliver()
{
    if (mUpdatesDisabled > 0)
        return;
    std::vector<QueryWorker::Change> changes;
    bool watchLimitReached = false;
    {
        std::lock_guard lock(mOutbox->mutex);
        changes.swap(mOutbox->changes);
        watchLimitReached = mOutbox->watchLimitReached;
    }
    if (watchLimitReached && !sWatchLimitLogged) {
        sWatchLimitLogged = true;
        Log::message("Too many folders to watch for changes; saved searches look again every 60 seconds, or less often when looking takes long.");
    }
    apply(changes);
}

void MetadataQuery::apply(std::vector<QueryWorker::Change>& changes)
{
    // Each change costs the same however many results there are: a removal moves
    // the last result into the gap, so the order changes, which the service's own
    // order may.
    for (QueryWorker::Change& change : changes) {
        if (change.added) {
            if (mIndex.try_emplace(change.path, mResults.size()).second) {
                mResults.push_back(std::move(change.path));
                ++mResultListOperations;
            }
            continue;
        }
        const auto found = mIndex.find(change.path);
        if (found == mIndex.end())
            continue;
        const std::size_t index = found->second;
        mIndex.erase(found);
        if (index + 1 != mResults.size()) {
            mResults[index] = std::move(mResults.back());
            mIndex[mResults[index]] = index;
            ++mResultListOperations;
        }
        mResults.pop_back();
        ++mResultListOperations;
    }
}
