// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/PictureReadAhead.h"

#include "platform/BackgroundWorkers.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {
std::atomic<bool> sWaitsInterrupted { false };
static_assert(std::atomic<bool>::is_always_lock_free);
// How often a waiting frame looks whether the program is stopping.
constexpr auto kInterruptPoll = std::chrono::milliseconds(10);
}

struct PictureReadAhead::Job {
    enum class State {
        Queued,
        Running,
        Finished,
        Dropped
    };
    std::string path;
    float maximumEdge { 0.0f };
    std::mutex mutex;
    std::condition_variable finished;
    State state { State::Queued };
    PictureRead read;
};

PictureReadAhead::PictureReadAhead(std::shared_ptr<const ImageDecoder> decoder, std::shared_ptr<FittedPictureCache> cache,
    std::chrono::milliseconds decodeTimeLimit)
    : mDecoder(std::move(decoder))
    , mCache(std::move(cache))
    , mDecodeTimeLimit(decodeTimeLimit)
{
}

PictureReadAhead::~PictureReadAhead()
{
    clear();
}

void PictureReadAhead::interruptWaits()
{
    sWaitsInterrupted.store(true);
}

// Reads the job's picture, which the caller has marked as running. The task owns
// everything it uses: the renderer may be gone when it ends.
void PictureReadAhead::run(const std::shared_ptr<Job>& job, const std::shared_ptr<const ImageDecoder>& decoder,
    const std::shared_ptr<FittedPictureCache>& cache, std::chrono::milliseconds decodeTimeLimit)
{
    PictureRead read = readFittedPicture(
        job->path, *decoder, [edge = job->maximumEdge] { return edge; }, cache.get(), decodeTimeLimit);
    {
        std::lock_guard lock(job->mutex);
        job->read = std::move(read);
        job->state = Job::State::Finished;
    }
    job->finished.notify_all();
}

std::shared_ptr<PictureReadAhead::Job> PictureReadAhead::queue(const std::string& path, float maximumEdge)
{
    auto job = std::make_shared<Job>();
    job->path = path;
    job->maximumEdge = maximumEdge;
    BackgroundWorkers::post([job, decoder = mDecoder, cache = mCache, limit = mDecodeTimeLimit] {
        {
            std::lock_guard lock(job->mutex);
            if (job->state != Job::State::Queued)
                return;
            job->state = Job::State::Running;
        }
        run(job, decoder, cache, limit);
    });
    return job;
}

void PictureReadAhead::expect(const std::vector<std::string>& paths, float maximumEdge)
{
    std::map<std::string, std::shared_ptr<Job>> jobs;
    for (const auto& path : paths) {
        if (jobs.contains(path))
            continue;
        const auto kept = mJobs.find(path);
        if (kept != mJobs.end() && kept->second->maximumEdge == maximumEdge) {
            jobs.insert(mJobs.extract(kept));
            continue;
        }
        jobs.emplace(path, queue(path, maximumEdge));
    }
    clear();
    mJobs = std::move(jobs);
}

void PictureReadAhead::clear()
{
    for (auto& [path, job] : mJobs) {
        std::lock_guard lock(job->mutex);
        if (job->state == Job::State::Queued)
            job->state = Job::State::Dropped;
    }
    mJobs.clear();
}

// The read ahead once it is done, waited for; nothing when it was dropped, or the
// wait was broken off. A read the workers have not begun gets a thread of its own at
// the frame's priority, rather than wait behind others or hold up the frame thread,
// where nothing could break it off.
std::optional<PictureReadAhead::Taken> PictureReadAhead::finished(const std::shared_ptr<Job>& job)
{
    std::unique_lock lock(job->mutex);
    if (job->state == Job::State::Queued) {
        job->state = Job::State::Running;
        BackgroundWorkers::runAtOnce([job, decoder = mDecoder, cache = mCache, limit = mDecodeTimeLimit] { run(job, decoder, cache, limit); });
    }
    while (job->state == Job::State::Running) {
        if (sWaitsInterrupted.load())
            return Taken { {}, true };
        job->finished.wait_for(lock, kInterruptPoll);
    }
    if (job->state != Job::State::Finished)
        return std::nullopt;
    return Taken { job->read, false };
}

PictureReadAhead::Taken PictureReadAhead::take(const std::string& path, const std::function<float()>& maximumEdge)
{
    // The Detail setting is read at most once, and only for a picture that opens.
    std::optional<float> edge;
    const auto edgeOnce = [&] {
        if (!edge)
            edge = maximumEdge();
        return *edge;
    };
    const auto found = mJobs.find(path);
    if (found != mJobs.end()) {
        auto taken = finished(found->second);
        if (taken && taken->interrupted)
            return *taken;
        // The file must be the one that was read, and the picture fitted as wanted now.
        if (taken && taken->read.stamp && taken->read.stamp == FileStamp::of(path)
            && (!taken->read.opened || taken->read.maximumEdge == edgeOnce())) {
            ++mForeseen;
            return *taken;
        }
    }
    ++mUnforeseen;
    return Taken { readFittedPicture(path, *mDecoder, edgeOnce, mCache.get(), mDecodeTimeLimit), false };
}
