// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "SettingsStore.h"

#include "SysRoot.h"

#include <QSettings>

namespace {
const QString settingsOrganization = QStringLiteral("TarnoLinux");
const QString settingsApplication = QStringLiteral("zib-update-notifier");
const QString settingsGroup = QStringLiteral("General");
const QString keyNotifyInterval = QStringLiteral("notifyInterval");
const QString keyNextNotifyDate = QStringLiteral("nextNotifyDate");
const QString keyHideTray = QStringLiteral("hideTray");
const QString keyHideTrayDelay = QStringLiteral("hideTrayDelay");
const QString keyHideTrayDeferred = QStringLiteral("hideTrayDeferred");
const QString keySkipNotificationDelay = QStringLiteral("skipNotificationDelay");
const QString keySkipNotificationSince = QStringLiteral("skipNotificationSince");

// The user's own file, and below it the administrator's /etc/xdg/TarnoLinux/zib-update-notifier.conf,
// whose values are the defaults. QSettings writes only the user's file.
QSettings open()
{
    static const bool systemPathSet = [] {
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, SysRoot::path(QStringLiteral("/etc/xdg")));
        return true;
    }();
    Q_UNUSED(systemPathSet)
    return QSettings(settingsOrganization, settingsApplication);
}
} // namespace

bool SettingsStore::isPostponed(qint64 delay, const QDateTime& since, const QDateTime& now)
{
    if (delay < 1) {
        return false;
    }
    const qint64 elapsed = since.isValid() ? since.secsTo(now) : 0;
    return elapsed < delay;
}

SettingsStore::Values SettingsStore::read(const QDateTime& now, bool* nextDateStored)
{
    QSettings settings = open();
    settings.beginGroup(settingsGroup);
    Values values;

    bool numeric = false;
    values.notifyInterval = settings.value(keyNotifyInterval, defaultNotifyInterval).toInt(&numeric);
    // A hand-edited interval below one second would stall the schedule.
    if (!numeric || values.notifyInterval < 1) {
        values.notifyInterval = defaultNotifyInterval;
    }

    values.nextNotifyDate = settings.value(keyNextNotifyDate).toDateTime();
    if (nextDateStored) {
        *nextDateStored = values.nextNotifyDate.isValid();
    }
    if (!values.nextNotifyDate.isValid()) {
        values.nextNotifyDate = now.addSecs(values.notifyInterval);
    }

    values.hideTray = settings.value(keyHideTray, true).toBool();
    values.hideTrayDelayMs = qMax(0, settings.value(keyHideTrayDelay, 5000).toInt());
    values.skipNotificationDelay = settings.value(keySkipNotificationDelay, qint64(-1)).toLongLong();
    values.skipNotificationSince = settings.value(keySkipNotificationSince).toDateTime();
    values.hideTrayDeferred = settings.value(keyHideTrayDeferred, true).toBool();
    return values;
}

SettingsStore::Values SettingsStore::load(const QDateTime& now)
{
    bool stored = false;
    const Values values = read(now, &stored);
    if (!stored) {
        saveNextNotifyDate(values.nextNotifyDate);
    }
    return values;
}

void SettingsStore::saveNextNotifyDate(const QDateTime& date)
{
    QSettings settings = open();
    settings.beginGroup(settingsGroup);
    settings.setValue(keyNextNotifyDate, date);
}

void SettingsStore::savePostponement(qint64 delaySeconds, const QDateTime& since)
{
    QSettings settings = open();
    settings.setValue(QStringLiteral("General/skipNotificationDelay"), delaySeconds);
    settings.setValue(QStringLiteral("General/skipNotificationSince"), since);
}

void SettingsStore::saveEdited(const Values& shown, const Values& edited)
{
    QSettings settings = open();
    settings.beginGroup(settingsGroup);
    const auto changed = [&settings](const QString& key, const auto& before, const auto& after) {
        if (after != before) {
            settings.setValue(key, after);
        }
    };
    changed(keyNotifyInterval, shown.notifyInterval, edited.notifyInterval);
    // An interval set back to what it was is no change, and must not undo a schedule step made meanwhile.
    if (edited.notifyInterval != shown.notifyInterval || edited.skipNotificationDelay != shown.skipNotificationDelay) {
        settings.setValue(keyNextNotifyDate, edited.nextNotifyDate);
    }
    changed(keyHideTray, shown.hideTray, edited.hideTray);
    changed(keyHideTrayDelay, shown.hideTrayDelayMs, edited.hideTrayDelayMs);
    changed(keyHideTrayDeferred, shown.hideTrayDeferred, edited.hideTrayDeferred);
    changed(keySkipNotificationDelay, shown.skipNotificationDelay, edited.skipNotificationDelay);
}
