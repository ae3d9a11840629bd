// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "Reminders.h"

#include "Clock.h"
#include "ReminderSchedule.h"

namespace {
constexpr int checkIntervalMs = 5000;
}

Reminders::Reminders(Clock& clock, QObject* parent)
    : QObject(parent), m_clock(clock), m_checkTimer(clock, checkIntervalMs, false, this)
{
    connect(&m_checkTimer, &Timer::timeout, this, &Reminders::check);
}

void Reminders::load()
{
    m_settings = SettingsStore::load(m_clock.now());
    m_nextMs = m_settings.nextNotifyDate.toMSecsSinceEpoch();
    m_checkTimer.start();
}

bool Reminders::isPostponed() const
{
    return SettingsStore::isPostponed(
        m_settings.skipNotificationDelay, m_settings.skipNotificationSince, m_clock.now());
}

void Reminders::postpone(int hours)
{
    m_settings.skipNotificationDelay = qint64(hours) * 3600;
    m_settings.skipNotificationSince = m_clock.now();
    SettingsStore::savePostponement(m_settings.skipNotificationDelay, m_settings.skipNotificationSince);
}

void Reminders::check()
{
    if (m_clock.msecsSinceEpoch() < m_nextMs) {
        return;
    }
    Q_EMIT due();
    m_settings.nextNotifyDate =
        ReminderSchedule::nextAfter(m_settings.nextNotifyDate, m_settings.notifyInterval, m_clock.now());
    m_nextMs = m_settings.nextNotifyDate.toMSecsSinceEpoch();
    SettingsStore::saveNextNotifyDate(m_settings.nextNotifyDate);
}
