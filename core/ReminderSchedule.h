// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "State.h"

#include <QDateTime>

#include <optional>

// The reminder arithmetic: pure functions of "now" and the settings.
namespace ReminderSchedule {

// Whether a state's notification may be raised at all.
bool mayNotify(State state, bool postponed, bool updateSeen);

// `due` while it lies ahead; else the first `due + k * interval` after `now`, so missed reminders keep the grid.
QDateTime nextAfter(const QDateTime& due, int interval, const QDateTime& now);

// What the "Disable notifications" submenu offers for an update due at `due`.
struct RemindMenu
{
    bool usable = true; // false: a date that has passed disables the whole submenu
    bool oneDay = true;
    bool twoDays = true;
    bool week = true;
    // "Not to remind": unset keeps what it shows now; 0 hides it; otherwise shown with these hours.
    std::optional<int> neverHours;
};
RemindMenu remindMenuFor(const QDateTime& due, const QDateTime& now);

} // namespace ReminderSchedule
