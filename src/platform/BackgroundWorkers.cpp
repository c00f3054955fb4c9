// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/BackgroundWorkers.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>

#include <malloc.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// A niceness a little above the frame thread's: reading ahead yields to the frame, but
// not so far that a frame waiting for a picture waits long on a busy machine.
constexpr int kNiceIncrement = 2;
constexpr unsigned kMostWorkers = 4;

// Tasks running; outside the workers, so that asking does not start them.
std::atomic<int> sRunning { 0 };

// Malloc keeps the pages a thread's work freed in that thread's arena, and a thread
// run at once ends with its task: over a long run of decodes the resident size crept
// up with no more bytes in use. Trimming after every task made back-to-back decodes
// fault their buffers in afresh, and trimming once a second let what a second of fast
// decodes freed pile up in between, so it is done at most every tenth of a second.
constexpr std::int64_t kTrimInterval = 100; // milliseconds

void handFreedPagesBack()
{
    static std::atomic<std::int64_t> sLastTrim { 0 };
    const std::int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
    std::int64_t last = sLastTrim.load();
    if (now - last >= kTrimInterval && sLastTrim.compare_exchange_strong(last, now))
        ::malloc_trim(0);
}

class Workers {
public:
    Workers()
    {
        const unsigned count = std::clamp(std::thread::hardware_concurrency(), 1u, kMostWorkers);
        for (unsigned i = 0; i < count; ++i)
            std::thread([this] { work(); }).detach();
    }

    void post(std::function<void()> task)
    {
        {
            std::lock_guard lock(mMutex);
            mTasks.push_back(std::move(task));
        }
        mWake.notify_one();
    }

    void runAtOnce(std::function<void()> task)
    {
        ++sRunning;
        std::thread([task = std::move(task)] {
            task();
            handFreedPagesBack();
            --sRunning;
        }).detach();
    }

private:
    void work()
    {
        // On Linux a niceness set for the thread's own id applies to that thread only.
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), ::getpriority(PRIO_PROCESS, 0) + kNiceIncrement);
        for (;;) {
            std::function<void()> task;
            {
                std::unique_lock lock(mMutex);
                mWake.wait(lock, [this] { return !mTasks.empty(); });
                task = std::move(mTasks.front());
                mTasks.pop_front();
                ++sRunning;
            }
            task();
            task = nullptr;
            --sRunning;
        }
    }

    std::mutex mMutex;
    std::condition_variable mWake;
    std::deque<std::function<void()>> mTasks;
};

Workers& workers()
{
    // Never destroyed: its threads may outlive every static destructor.
    static Workers* shared = new Workers;
    return *shared;
}

}

void BackgroundWorkers::post(std::function<void()> task)
{
    workers().post(std::move(task));
}

void BackgroundWorkers::runAtOnce(std::function<void()> task)
{
    workers().runAtOnce(std::move(task));
}

bool BackgroundWorkers::busy()
{
    return sRunning.load() > 0;
}

int BackgroundWorkers::finish(int status)
{
    if (busy()) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
