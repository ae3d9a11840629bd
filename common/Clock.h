// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QDateTime>

class Timer;

// The one source of time for the core: "now", and the time its timers run on. The 5-s reminder check
// compares plain milliseconds, which is far cheaper than building a local date-time every time.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual qint64 msecsSinceEpoch() const = 0;
    virtual QDateTime now() const = 0;

    // A clock that drives timers itself (a test's) fires an armed timer `intervalMs` later on its own
    // steady time, which jumps of the wall clock do not move; the system clock leaves timers to Qt.
    virtual bool drivesTimers() const { return false; }
    virtual void arm(Timer* /*timer*/, int /*intervalMs*/) { }
    virtual void disarm(Timer* /*timer*/) { }
};
