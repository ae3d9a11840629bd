// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "Timer.h"

#include "Clock.h"

Timer::Timer(Clock& clock, int intervalMs, bool singleShot, QObject* parent)
    : QObject(parent), m_clock(clock), m_qtimer(this), m_interval(intervalMs), m_singleShot(singleShot)
{
    m_qtimer.setSingleShot(singleShot);
    connect(&m_qtimer, &QTimer::timeout, this, &Timer::timeout);
}

Timer::~Timer()
{
    stop();
}

void Timer::start()
{
    if (!m_clock.drivesTimers()) {
        m_qtimer.start(m_interval);
        return;
    }
    m_armed = true;
    m_clock.arm(this, m_interval);
}

void Timer::start(int intervalMs)
{
    m_interval = intervalMs;
    start();
}

void Timer::stop()
{
    m_qtimer.stop();
    if (m_armed) {
        m_armed = false;
        m_clock.disarm(this);
    }
}

bool Timer::isActive() const
{
    return m_armed || m_qtimer.isActive();
}

void Timer::fire()
{
    m_armed = false;
    if (!m_singleShot) {
        start();
    }
    Q_EMIT timeout();
}
