// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

// Calls tick once per interval on the event loop, keeping the average rate exact
// (each wait aims at the next deadline, not at "interval from now"). With showFps
// it prints the measured rate to standard error once a second.
class FrameClock : public QObject {
public:
    FrameClock(double intervalSeconds, bool showFps, std::function<void()> tick);

    void start();
    void stop();

private:
    void onTimeout();
    void scheduleNext();

    std::int64_t mIntervalNs { 0 };
    bool mShowFps { false };
    std::function<void()> mTick;
    QTimer mTimer;
    QElapsedTimer mElapsed;
    std::int64_t mNextDeadlineNs { 0 };
    std::int64_t mFpsWindowStartNs { 0 };
    int mFramesInWindow { 0 };
};
