// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "SettingsStore.h"
#include "Timer.h"

#include <QObject>

class Clock;

// The reminder schedule and the postponement, kept on the settings store: every 5 s it checks whether a
// reminder is due, and it knows whether reminders are postponed.
class Reminders : public QObject
{
    Q_OBJECT
public:
    Reminders(Clock& clock, QObject* parent);

    // Reads the settings afresh: at start and after the settings window's OK.
    void load();
    const SettingsStore::Values& settings() const { return m_settings; }
    bool isPostponed() const;
    // The user asked for quiet for `hours`.
    void postpone(int hours);
    // Raises due() when a reminder is due, then moves the schedule on by whole intervals: a reminder
    // that fell into a postponement is dropped, not deferred.
    void check();

Q_SIGNALS:
    void due();

private:
    Clock& m_clock;
    Timer m_checkTimer;
    SettingsStore::Values m_settings;
    qint64 m_nextMs = 0; // the next date, compared cheaply every 5 s
};
