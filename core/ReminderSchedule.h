#pragma once

#include <QDateTime>

#include <optional>

// The reminder arithmetic: pure functions of "now" and the settings.
namespace ReminderSchedule {

// A postponement runs while fewer than `delay` whole seconds have passed since `since`. An unknown
// start counts as no time passed, so such a postponement lasts until it is reset.
bool isPostponed(qint64 delay, const QDateTime& since, const QDateTime& now);

// Whether a state's notification may be raised at all.
bool mayNotify(int state, bool postponed, bool updateSeen);

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
