// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/FrameClock.h"

#include <algorithm>

FrameClock::FrameClock(double intervalSeconds, RateReport rateReport, std::function<void()> tick)
    : mIntervalNs(static_cast<std::int64_t>(intervalSeconds * 1e9))
    , mRateReport(std::move(rateReport))
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
    mBusyInWindowNs = 0;
    mTimer.start(0);
}

void FrameClock::stop()
{
    mTimer.stop();
}

void FrameClock::onTimeout()
{
    const std::int64_t began = mElapsed.nsecsElapsed();
    mTick();
    ++mFramesInWindow;
    const std::int64_t now = mElapsed.nsecsElapsed();
    mBusyInWindowNs += now - began;
    if (mRateReport && now - mFpsWindowStartNs >= 1'000'000'000) {
        const double window = static_cast<double>(now - mFpsWindowStartNs);
        mRateReport(mFramesInWindow * 1e9 / window, static_cast<double>(mBusyInWindowNs) / window);
        mFpsWindowStartNs = now;
        mFramesInWindow = 0;
        mBusyInWindowNs = 0;
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
    mTimer.start(static_cast<int>(std::min<std::int64_t>(waitMs, std::int64_t { 24 } * 3600 * 1000)));
}
