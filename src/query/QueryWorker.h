// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/FileVisibility.h"
#include "query/FileAttributes.h"
#include "query/QueryExpression.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// The background half of a live query: it walks the scope folders for matching
// files, then follows them with inotify, and hands every change to the main thread
// through the outbox. It never touches the result list itself.
class QueryWorker {
public:
    struct Change {
        bool added { true }; // false: the path left the results
        std::string path;
    };

    // What the worker hands over; everything in it is guarded by mutex.
    struct Outbox {
        std::mutex mutex;
        std::condition_variable gatheredChanged;
        std::vector<Change> changes;
        bool gathered { false }; // the first walk of every folder is over
        bool watchLimitReached { false };
        // Set before the stop is signalled, so that a long walk ends early too.
        std::atomic<bool> stopping { false };
    };

    QueryWorker(std::shared_ptr<const QueryExpression> expression, std::vector<std::string> folders,
        std::shared_ptr<const MimeDatabase> mimeTypes, std::shared_ptr<Outbox> outbox);
    ~QueryWorker();
    QueryWorker(const QueryWorker&) = delete;
    QueryWorker& operator=(const QueryWorker&) = delete;

    // Gathers, then follows changes until stopFd becomes readable.
    void run(int stopFd);

    // Without watches, the folders are walked again this often, or after this many
    // times as long as the last walk took when that is longer.
    static constexpr std::chrono::seconds kRescanInterval { 60 };
    static constexpr int kRescanCostFactor = 25;

private:
    void gatherAll();
    static std::chrono::steady_clock::time_point rescanAfter(std::chrono::steady_clock::time_point walkStarted);
    void walk(const std::string& folder, std::vector<std::string>* found, bool fresh);
    bool stopping() const { return mOutbox->stopping.load(std::memory_order_relaxed); }
    void watch(const std::string& folder);
    void watchScopeParents();
    bool handleScopeEvent(int wd, std::uint32_t mask, const std::string& name);
    void noteWatchLimit();
    void readEvents();
    void handleEvent(int wd, std::uint32_t mask, const std::string& name);
    void reconsider(const std::string& path);
    void reconsiderFolder(const std::string& folder);
    bool isVisible(const std::string& path);
    void forget(const std::string& path);
    void forgetTree(const std::string& folder);
    bool matches(const std::string& path, bool contentReadable);
    bool matches(std::string_view folder, std::string_view name, bool contentReadable);
    bool onPseudoFileSystem(std::string_view path) const;
    void add(std::string path, bool fresh);
    bool isMatched(const std::string& path) const;
    void flush();

    std::shared_ptr<const QueryExpression> mExpression;
    std::vector<std::string> mFolders;
    std::shared_ptr<Outbox> mOutbox;
    FileAttributes::TypeCache mTypes;
    FileAttributes mFile { mTypes }; // the file being judged, its room kept for the next
    std::vector<double> mTimes;
    int mInotify { -1 };
    bool mWatchLimitReached { false };
    std::unordered_map<int, std::string> mWatchedFolders;
    // The folders that hold scope folders, watched so that a scope folder removed
    // and made again (a disk plugged in again, a folder replaced) is walked again.
    std::unordered_map<int, std::string> mScopeParents;
    // The matching names of each folder, so that one change costs the same however
    // many results there are, and a folder's files are found without a scan.
    using Names = std::unordered_set<std::string, FileVisibility::NameHash, std::equal_to<>>;
    using Matched = std::unordered_map<std::string, Names, FileVisibility::NameHash, std::equal_to<>>;
    Matched mMatched;
    Matched::iterator mLastFolder { mMatched.end() };
    std::vector<Change> mPending;
    // Each folder's ".hidden" names, read when an event first needs them and read
    // again when that file changes.
    std::unordered_map<std::string, FileVisibility::HiddenNames> mHidden;
    // Passed over below a scope folder; read again at each full walk.
    std::unordered_set<std::string> mPseudoMounts;
};
