#pragma once

#include <QDeadlineTimer>
#include <QTest>

#include <functional>

// Bounded polling with the event loop running, for what no signal announces: another process's X
// windows, its bus properties, files it writes.
namespace Poll {
inline bool until(const std::function<bool()>& condition, int timeoutMs, int intervalMs = 50)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QTest::qWait(intervalMs);
    }
    return true;
}
} // namespace Poll
