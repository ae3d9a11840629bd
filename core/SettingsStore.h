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

    // Reads every key. A missing or invalid "nextNotifyDate" becomes now + interval and is stored at once.
    static Values load(const QDateTime& now);

    static void saveNextNotifyDate(const QDateTime& date);
    static void savePostponement(qint64 delaySeconds, const QDateTime& since);
};
