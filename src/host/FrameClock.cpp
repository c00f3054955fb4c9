// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/FrameClock.h"

#include <algorithm>
#include <cstdio>

FrameClock::FrameClock(double intervalSeconds, bool showFps, std::function<void()> tick)
    : mIntervalNs(static_cast<std::int64_t>(intervalSeconds * 1e9))
    , mShowFps(showFps)
    , mTick(std::move(tick))
{
    mTimer.setSingleShot(true);
    mTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&mTimer, &QTimer::timeout, this, [this] { onTimeout(); });
}

void FrameClock::start()
{
    mElapsed.start();
    mNextDeadlineNs = 0;
    mFpsWindowStartNs = 0;
    mFramesInWindow = 0;
    mTimer.start(0);
}

void FrameClock::stop()
{
    mTimer.stop();
}

void FrameClock::onTimeout()
{
    mTick();
    ++mFramesInWindow;
    const std::int64_t now = mElapsed.nsecsElapsed();
    if (mShowFps && now - mFpsWindowStartNs >= 1'000'000'000) {
        std::fprintf(stderr, "skyvanes: %.1f fps\n", mFramesInWindow * 1e9 / static_cast<double>(now - mFpsWindowStartNs));
        mFpsWindowStartNs = now;
        mFramesInWindow = 0;
    }
    scheduleNext();
}

void FrameClock::scheduleNext()
{
    const std::int64_t now = mElapsed.nsecsElapsed();
    mNextDeadlineNs += mIntervalNs;
    // After a long stall, start afresh rather than rushing to catch up.
    if (mNextDeadlineNs < now - mIntervalNs)
        mNextDeadlineNs = now;
    const std::int64_t waitMs = std::max<std::int64_t>(0, (mNextDeadlineNs - now + 500'000) / 1'000'000);
    mTimer.start(static_cast<int>(std::min<std::int64_t>(waitMs, 24 * 3600 * 1000)));
}
