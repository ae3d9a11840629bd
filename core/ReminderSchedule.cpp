// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "ReminderSchedule.h"

#include "State.h"

namespace ReminderSchedule {

bool mayNotify(State state, bool postponed, bool updateSeen)
{
    // "No updates" is news only after an update was seen in this run.
    return !postponed && (state != State::UpdateUnavailable || updateSeen);
}

QDateTime nextAfter(const QDateTime& due, int interval, const QDateTime& now)
{
    if (interval < 1 || now < due) {
        return due; // the store never hands out a broken interval
    }
    const qint64 behind = qMax<qint64>(0, due.secsTo(now));
    return due.addSecs((behind / interval + 1) * qint64(interval));
}

RemindMenu remindMenuFor(const QDateTime& due, const QDateTime& now)
{
    RemindMenu menu;
    if (!due.isValid()) {
        menu.neverHours = 0;
        return menu;
    }
    const qint64 days = now.daysTo(due);
    if (days < 0) {
        menu.usable = false;
        return menu;
    }
    menu.oneDay = days > 1;
    menu.twoDays = days > 2;
    menu.week = days > 7;
    if (days != 0) {
        // Quiet until one minute past midnight of the due day, in whole hours rounded up.
        const qint64 seconds = now.secsTo(QDateTime(due.date(), QTime(0, 1)));
        menu.neverHours = int((seconds + 3599) / 3600);
    }
    return menu;
}

} // namespace ReminderSchedule
