// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "SettingsStore.h"

#include "SysRoot.h"

#include <QFile>
#include <QLoggingCategory>
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

// Where the administrator's defaults live: /etc/xdg in production.
QString systemDirectory()
{
    return SysRoot::path(QStringLiteral("/etc/xdg"));
}

// The user's own file, and below it the administrator's /etc/xdg/TarnoLinux/zib-update-notifier.conf,
// whose values are the defaults. QSettings writes only the user's file.
QSettings open()
{
    static const bool systemPathSet = [] {
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, systemDirectory());
        return true;
    }();
    Q_UNUSED(systemPathSet)
    return QSettings(settingsOrganization, settingsApplication);
}

// The core's category for files (common cannot link the core): the same name, so the same rules apply.
Q_LOGGING_CATEGORY(lcSettingsFile, "zib.notifier.files", QtWarningMsg)

// Qt turns a stored value of the form @Variant(...) or @DateTime(...) back into whatever type its bytes
// name, trusting the sizes in them: a damaged file can crash the program at every start (a std::bad_alloc,
// or a crash in the loader of a picture or polygon type). The notifier stores only dates that way, so a file
// with any other such value, or a backslash escape that could make one, is set aside and the defaults used.
bool trusted(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return true; // nothing to read
    }
    const QByteArray text = file.readAll();
    static const QByteArray date = QByteArrayLiteral("@DateTime(\\0\\0\\0\\x10");
    const QList<QByteArray> lines = text.split('\n');
    for (const QByteArray& line : lines) {
        const QByteArray value = line.mid(line.indexOf('=') + 1).trimmed();
        const bool plain = !value.contains('@') && !value.contains('\\');
        if (!plain && !(value.startsWith(date) && value.indexOf('@', 1) < 0 && !value.contains(','))) {
            return false;
        }
    }
    return true;
}

void setAside(const QString& path)
{
    const QString aside = path + QLatin1String(".damaged");
    QFile::remove(aside);
    QFile::rename(path, aside);
    qCWarning(lcSettingsFile).noquote() << path << "cannot be read; it is kept as" << aside
                                        << "and the default settings are used";
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
    const QString path = open().fileName();
    if (!trusted(path)) {
        setAside(path);
    }
    QSettings settings = open();
    // The administrator's file is never written: a damaged one is only left unread.
    const QString systemPath =
        QStringLiteral("%1/%2/%3.conf").arg(systemDirectory(), settingsOrganization, settingsApplication);
    if (!trusted(systemPath)) {
        qCWarning(lcSettingsFile).noquote() << systemPath << "cannot be read; the built-in defaults are used";
        settings.setFallbacksEnabled(false);
    }
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
