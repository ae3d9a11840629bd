// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "Clock.h"

class SystemClock : public Clock
{
public:
    qint64 msecsSinceEpoch() const override { return QDateTime::currentMSecsSinceEpoch(); }
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};
