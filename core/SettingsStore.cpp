#include "SettingsStore.h"

#include "Constants.h"

#include <QSettings>

SettingsStore::Values SettingsStore::load(const QDateTime& now)
{
    QSettings settings(settingsOrganization, settingsApplication);
    settings.beginGroup(settingsGroup);
    Values values;

    bool numeric = false;
    values.notifyInterval = settings.value(keyNotifyInterval, defaultNotifyInterval).toInt(&numeric);
    // A hand-edited interval below one second would stall the schedule.
    if (!numeric || values.notifyInterval < 1) {
        values.notifyInterval = defaultNotifyInterval;
    }

    values.nextNotifyDate = settings.value(keyNextNotifyDate).toDateTime();
    if (!values.nextNotifyDate.isValid()) {
        values.nextNotifyDate = now.addSecs(values.notifyInterval);
        settings.setValue(keyNextNotifyDate, values.nextNotifyDate);
    }

    values.hideTray = settings.value(keyHideTray, true).toBool();
    values.hideTrayDelayMs = qMax(0, settings.value(keyHideTrayDelay, 5000).toInt());
    values.skipNotificationDelay = settings.value(keySkipNotificationDelay, qint64(-1)).toLongLong();
    values.skipNotificationSince = settings.value(keySkipNotificationSince).toDateTime();
    values.hideTrayDeferred = settings.value(keyHideTrayDeferred, true).toBool();
    return values;
}

void SettingsStore::saveNextNotifyDate(const QDateTime& date)
{
    QSettings settings(settingsOrganization, settingsApplication);
    settings.beginGroup(settingsGroup);
    settings.setValue(keyNextNotifyDate, date);
}

void SettingsStore::savePostponement(qint64 delaySeconds, const QDateTime& since)
{
    QSettings settings(settingsOrganization, settingsApplication);
    settings.setValue(QStringLiteral("General/skipNotificationDelay"), delaySeconds);
    settings.setValue(QStringLiteral("General/skipNotificationSince"), since);
}
