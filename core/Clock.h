#pragma once

#include <QDateTime>

// The one source of "now" for the core's scheduling. Tests freeze and move it instead of sleeping.
class Clock
{
public:
    static QDateTime now();

    static void setNow(const QDateTime& now);
    static void advance(qint64 seconds);
    static void reset();
    static bool isFrozen();
};
