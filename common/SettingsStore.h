// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QDateTime>

// The per-user settings behind a typed face: keys, defaults and the rules for bad values live here.
// Nothing is cached: every operation opens its own QSettings, so the settings window's writes are seen.
class SettingsStore
{
public:
    static constexpr int defaultNotifyInterval = 86400;

    struct Values
    {
        int notifyInterval = defaultNotifyInterval; // seconds, always >= 1
        QDateTime nextNotifyDate;
        bool hideTray = true;
        int hideTrayDelayMs = 5000;
        qint64 skipNotificationDelay = -1; // seconds; below 1 means no postponement
        QDateTime skipNotificationSince;
        bool hideTrayDeferred = true;
    };

    // A postponement runs while fewer than `delay` whole seconds have passed since `since`. An unknown
    // start counts as no time passed, so such a postponement lasts until it is reset.
    static bool isPostponed(qint64 delay, const QDateTime& since, const QDateTime& now);

    // Reads every key; a missing or invalid "nextNotifyDate" reads as now + interval. Writes nothing; a
    // damaged file that Qt's reader could crash on is renamed to *.damaged first.
    static Values read(const QDateTime& now, bool* nextDateStored = nullptr);
    // As read(), and a next date that was not stored is stored at once, so the schedule survives restarts.
    static Values load(const QDateTime& now);

    static void saveNextNotifyDate(const QDateTime& date);
    static void savePostponement(qint64 delaySeconds, const QDateTime& since);
    // What the settings window edits, in the order the window writes it. Only the keys whose value differs
    // from what the window showed are written: a postponement or schedule step stored while it was open
    // stays, and a default the user kept is not copied into the user's own file. The next date goes with
    // a changed interval or an ended postponement, never on its own.
    static void saveEdited(const Values& shown, const Values& edited);
};
