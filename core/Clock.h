#pragma once

#include <QDateTime>

// The one source of "now" for the core. The 5-s reminder check compares plain milliseconds, which is
// far cheaper than building a local date-time every time.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual qint64 msecsSinceEpoch() const = 0;
    virtual QDateTime now() const = 0;
};
