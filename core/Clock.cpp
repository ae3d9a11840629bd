#include "Clock.h"

namespace {
QDateTime s_frozen;
}

QDateTime Clock::now()
{
    return s_frozen.isValid() ? s_frozen : QDateTime::currentDateTime();
}

void Clock::setNow(const QDateTime& now)
{
    s_frozen = now;
}

void Clock::advance(qint64 seconds)
{
    s_frozen = now().addSecs(seconds);
}

void Clock::reset()
{
    s_frozen = QDateTime();
}

bool Clock::isFrozen()
{
    return s_frozen.isValid();
}
