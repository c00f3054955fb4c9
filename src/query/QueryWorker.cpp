// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/QueryWorker.h"

#include "platform/FolderWalk.h"
#include "query/PseudoFileSystems.h"

#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <unordered_set>

namespace {

constexpr std::uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CLOSE_WRITE | IN_ATTRIB | IN_ONLYDIR;
// Changes are handed over in batches, so a large first walk shows results early
// without taking the lock for every file.
constexpr std::size_t kBatch = 512;

double now()
{
    timespec clock {};
    ::clock_gettime(CLOCK_REALTIME, &clock);
    return static_cast<double>(clock.tv_sec) + static_cast<double>(clock.tv_nsec) * 1e-9;
}

// A path's folder and name, split at its last '/'; FolderWalk::joined puts them
// back together ("/a" is "/" and "a").
std::pair<std::string_view, std::string_view> split(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return { path.substr(0, slash == 0 ? 1 : slash), path.substr(slash + 1) };
}

bool isRegularFile(const std::string& path)
{
    struct stat info { };
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}

QueryWorker::QueryWorker(std::shared_ptr<const QueryExpression> expression, std::vector<std::string> folders,
    std::shared_ptr<const MimeDatabase> mimeTypes, std::shared_ptr<Outbox> outbox)
    : mExpression(std::move(expression))
    , mFolders(std::move(folders))
    , mOutbox(std::move(outbox))
    , mTypes(std::move(mimeTypes))
{
}

QueryWorker::~QueryWorker()
{
    // Closing the instance releases every watch at once.
    if (mInotify >= 0)
        ::close(mInotify);
}

void QueryWorker::run(int stopFd)
{
    // Without an inotify instance of its own (the kernel limits them per user too)
    // the query can only look again now and then, as when the watches run out.
    mInotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (mInotify < 0)
        noteWatchLimit();
    mTimes = mExpression->resolveTimes(now());
    mPseudoMounts = PseudoFileSystems::mountedNow();
    watchScopeParents();
    const auto walkStarted = std::chrono::steady_clock::now();
    for (const std::string& folder : mFolders)
        walk(folder, nullptr, true);
    flush();
    auto nextRescan = rescanAfter(walkStarted);
    {
        std::lock_guard lock(mOutbox->mutex);
        mOutbox->gathered = true;
    }
    mOutbox->gatheredChanged.notify_all();

    while (!stopping()) {
        pollfd fds[2] = { { stopFd, POLLIN, 0 }, { mInotify, POLLIN, 0 } };
        int timeout = -1;
        if (mWatchLimitReached) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(nextRescan - std::chrono::steady_clock::now());
            timeout = static_cast<int>(std::max<std::int64_t>(0, left.count()));
        }
        const int ready = ::poll(fds, mInotify >= 0 ? 2 : 1, timeout);
        if (ready < 0 && errno != EINTR)
            return;
        if (fds[0].revents)
            return;
        if (mInotify >= 0 && (fds[1].revents & POLLIN))
            readEvents();
        if (mWatchLimitReached && std::chrono::steady_clock::now() >= nextRescan) {
            const auto rescanStarted = std::chrono::steady_clock::now();
            gatherAll();
            nextRescan = rescanAfter(rescanStarted);
        }
    }
}

std::chrono::steady_clock::time_point QueryWorker::rescanAfter(std::chrono::steady_clock::time_point walkStarted)
{
    // A walk of a whole disk may take seconds; waiting twenty-five times as long keeps
    // looking again below a twentieth of the time, however large the scope, even in
    // the first minutes, which also hold the first walk.
    const auto end = std::chrono::steady_clock::now();
    return end + std::max<std::chrono::steady_clock::duration>(kRescanInterval, kRescanCostFactor * (end - walkStarted));
}

void QueryWorker::gatherAll()
{
    // Walk everything again and hand over only the difference, new files in walk order.
    mTimes = mExpression->resolveTimes(now());
    mPseudoMounts = PseudoFileSystems::mountedNow();
    std::vector<std::string> found;
    for (const std::string& folder : mFolders)
        walk(folder, &found, false);
    if (stopping())
        return; // a walk cut short says nothing of what has gone
    Matched current;
    for (const std::string& path : found) {
        const auto [folder, name] = split(path);
        auto names = current.find(folder);
        if (names == current.end())
            names = current.try_emplace(std::string(folder)).first;
        names->second.emplace(name);
    }
    for (const auto& [folder, names] : mMatched) {
        const auto still = current.find(folder);
        for (const std::string& name : names) {
            if (still == current.end() || !still->second.contains(name))
                mPending.push_back({ false, FolderWalk::joined(folder, name) });
        }
    }
    for (const std::string& path : found) {
        if (!isMatched(path))
            mPending.push_back({ true, path });
    }
    mMatched = std::move(current);
    mLastFolder = mMatched.end();
    flush();
}

void QueryWorker::walk(const std::string& folder, std::vector<std::string>* found, bool fresh)
{
    // Only a scope that names a pseudo file system walks one; its files are then
    // judged without reading them.
    const bool contentReadable = !onPseudoFileSystem(folder);
    FolderWalk::searchableFiles(
        folder,
        [this, &folder](const std::string& entered) {
            if (stopping())
                return FolderWalk::Entering::Stop;
            if (entered != folder && mPseudoMounts.contains(entered))
                return FolderWalk::Entering::Skip;
            watch(entered);
            return FolderWalk::Entering::Enter;
        },
        [this, found, fresh, contentReadable](const std::string& parent, std::string_view name) {
            if (stopping() || !matches(parent, name, contentReadable))
                return;
            if (found)
                found->push_back(FolderWalk::joined(parent, name));
            else
                add(FolderWalk::joined(parent, name), fresh);
        });
}

void QueryWorker::watch(const std::string& folder)
{
    if (mWatchLimitReached)
        return;
    const int wd = ::inotify_add_watch(mInotify, folder.c_str(), kWatchMask);
    if (wd >= 0) {
        mWatchedFolders[wd] = folder;
    } else if (errno == ENOSPC || errno == ENOMEM) {
        noteWatchLimit();
    }
}

void QueryWorker::watchScopeParents()
{
    constexpr std::uint32_t kParentMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ONLYDIR;
    if (mInotify < 0)
        return;
    for (const std::string& folder : mFolders) {
        if (folder == "/")
            continue;
        const std::string parent(split(folder).first);
        const int wd = ::inotify_add_watch(mInotify, parent.c_str(), kParentMask);
        if (wd >= 0)
            mScopeParents[wd] = parent;
    }
}

bool QueryWorker::handleScopeEvent(int wd, std::uint32_t mask, const std::string& name)
{
    const auto parent = mScopeParents.find(wd);
    if (parent == mScopeParents.end())
        return false;
    if (mask & IN_IGNORED) {
        mScopeParents.erase(parent);
        return true;
    }
    const std::string path = FolderWalk::joined(parent->second, name);
    if (name.empty() || !(mask & IN_ISDIR) || std::find(mFolders.begin(), mFolders.end(), path) == mFolders.end())
        return true;
    if (mask & (IN_DELETE | IN_MOVED_FROM))
        forgetTree(path);
    else
        walk(path, nullptr, false);
    return true;
}

void QueryWorker::noteWatchLimit()
{
    mWatchLimitReached = true;
    std::lock_guard lock(mOutbox->mutex);
    mOutbox->watchLimitReached = true;
}

void QueryWorker::readEvents()
{
    alignas(inotify_event) char buffer[16384];
    // A folder that keeps changing would keep this loop going, so a stop is looked
    // for between reads.
    while (!stopping()) {
        const ssize_t length = ::read(mInotify, buffer, sizeof buffer);
        if (length <= 0)
            break;
        mTimes = mExpression->resolveTimes(now());
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            handleEvent(event->wd, event->mask, event->len ? std::string(event->name) : std::string());
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    flush();
}

void QueryWorker::handleEvent(int wd, std::uint32_t mask, const std::string& name)
{
    if (mask & IN_Q_OVERFLOW) {
        gatherAll();
        return;
    }
    if (handleScopeEvent(wd, mask, name))
        return;
    const auto watched = mWatchedFolders.find(wd);
    if (watched == mWatchedFolders.end())
        return;
    if (mask & IN_IGNORED) {
        mWatchedFolders.erase(watched);
        return;
    }
    if (name.empty())
        return;
    const std::string path = FolderWalk::joined(watched->second, name);
    if (mask & IN_ISDIR) {
        if (mask & (IN_DELETE | IN_MOVED_FROM))
            forgetTree(path);
        else if ((mask & (IN_CREATE | IN_MOVED_TO)) && !name.starts_with('.'))
            walk(path, nullptr, false);
        return;
    }
    if (name == ".hidden") {
        mHidden.erase(watched->second);
        reconsiderFolder(watched->second);
    } else if (mask & (IN_DELETE | IN_MOVED_FROM)) {
        forget(path);
    } else {
        reconsider(path);
    }
}

void QueryWorker::reconsider(const std::string& path)
{
    if (isVisible(path) && isRegularFile(path) && matches(path, !onPseudoFileSystem(path)))
        add(path, false);
    else
        forget(path);
}

void QueryWorker::reconsiderFolder(const std::string& folder)
{
    // Names it now hides leave; names it no longer hides come (back) in.
    if (const auto names = mMatched.find(folder); names != mMatched.end()) {
        const std::vector<std::string> before(names->second.begin(), names->second.end());
        for (const std::string& name : before)
            reconsider(FolderWalk::joined(folder, name));
    }
    for (std::string& path : FolderWalk::visibleRegularFiles(folder, false)) {
        if (!isMatched(path) && matches(path, !onPseudoFileSystem(path)))
            add(std::move(path), false);
    }
}

bool QueryWorker::isVisible(const std::string& path)
{
    const auto [folder, name] = split(path);
    if (name.starts_with('.'))
        return false;
    auto hidden = mHidden.find(std::string(folder));
    if (hidden == mHidden.end())
        hidden = mHidden.emplace(std::string(folder), FileVisibility::hiddenNames(std::string(folder))).first;
    return FileVisibility::nameIsVisible(name, hidden->second);
}

void QueryWorker::forget(const std::string& path)
{
    const auto [folder, name] = split(path);
    const auto names = mMatched.find(folder);
    if (names == mMatched.end())
        return;
    const auto found = names->second.find(name);
    if (found == names->second.end())
        return;
    names->second.erase(found);
    mPending.push_back({ false, path });
}

void QueryWorker::forgetTree(const std::string& folder)
{
    const std::string prefix = folder + '/';
    for (auto it = mMatched.begin(); it != mMatched.end();) {
        if (it->first != folder && !it->first.starts_with(prefix)) {
            ++it;
            continue;
        }
        for (const std::string& name : it->second)
            mPending.push_back({ false, FolderWalk::joined(it->first, name) });
        it = mMatched.erase(it);
    }
    mLastFolder = mMatched.end();
    // A folder moved away keeps its watches, which would report under old names.
    for (auto it = mWatchedFolders.begin(); it != mWatchedFolders.end();) {
        if (it->second == folder || it->second.starts_with(prefix)) {
            mHidden.erase(it->second);
            ::inotify_rm_watch(mInotify, it->first);
            it = mWatchedFolders.erase(it);
        } else {
            ++it;
        }
    }
}

bool QueryWorker::onPseudoFileSystem(std::string_view path) const
{
    return std::any_of(mPseudoMounts.begin(), mPseudoMounts.end(), [&](const std::string& point) {
        return point != "/" && path.starts_with(point) && (path.size() == point.size() || path[point.size()] == '/');
    });
}

bool QueryWorker::matches(const std::string& path, bool contentReadable)
{
    const auto [folder, name] = split(path);
    return matches(folder, name, contentReadable);
}

bool QueryWorker::matches(std::string_view folder, std::string_view name, bool contentReadable)
{
    mFile.reset(folder, name, contentReadable);
    return mExpression->matches(mFile, mTimes);
}

bool QueryWorker::isMatched(const std::string& path) const
{
    const auto [folder, name] = split(path);
    const auto names = mMatched.find(folder);
    return names != mMatched.end() && names->second.contains(name);
}

void QueryWorker::add(std::string path, bool fresh)
{
    if (!fresh && isMatched(path))
        return;
    const auto [folder, name] = split(path);
    // Files come folder by folder, so the last folder's list is nearly always the one.
    if (mLastFolder == mMatched.end() || mLastFolder->first != folder) {
        mLastFolder = mMatched.find(folder);
        if (mLastFolder == mMatched.end())
            mLastFolder = mMatched.try_emplace(std::string(folder)).first;
    }
    mLastFolder->second.emplace(name);
    mPending.push_back({ true, std::move(path) });
    if (mPending.size() >= kBatch)
        flush();
}

void QueryWorker::flush()
{
    if (mPending.empty())
        return;
    std::lock_guard lock(mOutbox->mutex);
    for (Change& change : mPending)
        mOutbox->changes.push_back(std::move(change));
    mPending.clear();
}
