#pragma once

#include "Clock.h"

class SystemClock : public Clock
{
public:
    qint64 msecsSinceEpoch() const override { return QDateTime::currentMSecsSinceEpoch(); }
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};
