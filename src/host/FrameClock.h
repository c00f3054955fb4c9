// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

// Calls tick once per interval on the event loop, keeping the average rate exact
// (each wait aims at the next deadline, not at "interval from now"). Once a second
// it hands the measured frame rate and load (the share of the time spent in tick,
// 0 to 1) to the rate function, when there is one.
class FrameClock : public QObject {
public:
    using RateReport = std::function<void(double framesPerSecond, double load)>;
    FrameClock(double intervalSeconds, RateReport rateReport, std::function<void()> tick);

    void start();
    void stop();

private:
    void onTimeout();
    void scheduleNext();

    std::int64_t mIntervalNs { 0 };
    RateReport mRateReport;
    std::function<void()> mTick;
    QTimer mTimer;
    QElapsedTimer mElapsed;
    std::int64_t mNextDeadlineNs { 0 };
    std::int64_t mFpsWindowStartNs { 0 };
    int mFramesInWindow { 0 };
    std::int64_t mBusyInWindowNs { 0 };
};
