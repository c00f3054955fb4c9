// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/BackgroundWorkers.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// A niceness a little above the frame thread's: reading ahead yields to the frame, but
// not so far that a frame waiting for a picture waits long on a busy machine.
constexpr int kNiceIncrement = 2;
constexpr unsigned kMostWorkers = 4;
// Threads kept waiting for the next task run at once; more are started while all are
// held by decodes that outlast their waiters.
constexpr std::size_t kMostIdle = 4;

// Tasks running; outside the workers, so that asking does not start them.
std::atomic<int> sRunning { 0 };

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

    // A thread kept from an earlier task keeps its malloc arena warm: a fresh thread per
    // picture paid again for every page of the decoder's buffers, and the arenas of
    // threads come and gone kept growing. Threads keep the niceness they were started
    // with, since a thread may not lower its own, so a task goes only to an idle thread
    // of its caller's niceness.
    void runAtOnce(std::function<void()> task)
    {
        ++sRunning;
        const int niceness = threadNiceness();
        {
            std::lock_guard lock(mMutex);
            const auto idle = std::find_if(mIdle.begin(), mIdle.end(), [niceness](const Idle* i) { return i->niceness == niceness; });
            if (idle != mIdle.end()) {
                (*idle)->task = std::move(task);
                (*idle)->wake.notify_one();
                mIdle.erase(idle);
                return;
            }
        }
        std::thread([this, niceness, task = std::move(task)]() mutable { runTasks(niceness, std::move(task)); }).detach();
    }

private:
    struct Idle {
        int niceness;
        std::function<void()> task;
        std::condition_variable wake;
    };

    static int threadNiceness() { return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid))); }

    void runTasks(int niceness, std::function<void()> task)
    {
        Idle idle { niceness, {}, {} };
        for (;;) {
            task();
            task = nullptr;
            std::unique_lock lock(mMutex);
            // Decrement under the lock that a new task takes, so busy() never sees a
            // handed-over task as finished.
            --sRunning;
            if (mIdle.size() >= kMostIdle)
                return;
            mIdle.push_back(&idle);
            idle.wake.wait(lock, [&idle] { return static_cast<bool>(idle.task); });
            task = std::move(idle.task);
            idle.task = nullptr;
        }
    }

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
    std::vector<Idle*> mIdle;
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
