// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

// Reminder arithmetic and the settings it lives on.
#include "ReminderSchedule.h"
#include "SettingsStore.h"
#include "SysRoot.h"
#include "UnitMain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

using namespace ReminderSchedule;

namespace {
const QDateTime now(QDate(2026, 12, 7), QTime(22, 30));

QSettings settings()
{
    return QSettings(QStringLiteral("TarnoLinux"), QStringLiteral("zib-update-notifier"));
}
} // namespace

class ScheduleTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QFile::remove(settings().fileName()); }

    void postponement_data()
    {
        QTest::addColumn<qint64>("delay");
        QTest::addColumn<QDateTime>("since");
        QTest::addColumn<bool>("postponed");
        QTest::newRow("a day, an hour in") << qint64(86400) << now.addSecs(-3600) << true;
        QTest::newRow("a day, exactly over") << qint64(86400) << now.addDays(-1) << false;
        QTest::newRow("no start lasts") << qint64(3600) << QDateTime() << true;
        QTest::newRow("zero never, even started ahead") << qint64(0) << now.addSecs(60) << false;
    }
    void postponement()
    {
        QFETCH(qint64, delay);
        QFETCH(QDateTime, since);
        QTEST(SettingsStore::isPostponed(delay, since, now), "postponed");
    }

    void missedRemindersKeepTheGrid()
    {
        QCOMPARE(nextAfter(now.addSecs(-3 * 86400 - 43200), 86400, now), now.addSecs(43200));
        QCOMPARE(nextAfter(now, 3600, now), now.addSecs(3600)); // due now: not earlier, so it moves
        QCOMPARE(nextAfter(now.addSecs(10), 3600, now), now.addSecs(10));
        QCOMPARE(nextAfter(now.addSecs(-10), 0, now), now.addSecs(-10)); // a broken interval never loops
    }

    void remindMenu_data()
    {
        QTest::addColumn<QDateTime>("due");
        QTest::addColumn<bool>("usable");
        QTest::addColumn<QString>("days"); // day entries shown: 1, 2, w
        QTest::addColumn<int>("never"); // -1 unchanged, 0 hidden, else hours
        QTest::newRow("no date") << QDateTime() << true << "12w" << 0;
        QTest::newRow("yesterday") << now.addDays(-1) << false << "12w" << -1;
        QTest::newRow("today") << QDateTime(now.date(), QTime(23, 0)) << true << "" << -1;
        QTest::newRow("day after tomorrow, 22:30") << now.addDays(2) << true << "1" << 26;
        QTest::newRow("in 7 days") << now.addDays(7) << true << "12" << 146;
        QTest::newRow("in 8 days") << now.addDays(8) << true << "12w" << 170;
    }
    void remindMenu()
    {
        QFETCH(QDateTime, due);
        const RemindMenu menu = remindMenuFor(due, now);
        QTEST(menu.usable, "usable");
        const QString days = QLatin1String(menu.oneDay ? "1" : "") + QLatin1String(menu.twoDays ? "2" : "") +
            QLatin1String(menu.week ? "w" : "");
        QTEST(days, "days");
        QTEST(menu.neverHours.value_or(-1), "never");
    }

    // What is missing or unreadable reads as the default, in the user's file as in the administrator's, whose
    // good values are the defaults; the user's own value wins. The first reminder date is stored at once, and
    // only in the user's file.
    void valuesFromBothFiles_data()
    {
        QTest::addColumn<QByteArray>("system");
        QTest::addColumn<QByteArray>("user");
        QTest::addColumn<int>("interval");
        const QByteArray bad[] = {"\x01\x02[[[=\n\xff", "[%General]\nnotifyInterval=0\nnextNotifyDate=yesterday\n",
            "[%General]\nnotifyInterval=often\nskipNotificationDelay=x\n",
            "[%General]\nnextNotifyDate=@DateTime(\\0\\0\\0\\x09\\0\\\\0%\\\\xc)\n"}; // crashed Qt's reader
        QTest::newRow("no file") << QByteArray() << QByteArray() << 86400;
        for (int i = 0; i < 4; ++i) {
            QTest::addRow("user's bad %d", i) << QByteArray() << bad[i] << 86400;
            QTest::addRow("system's bad %d", i) << bad[i] << QByteArray() << 86400;
        }
        const QByteArray policy("[%General]\nnotifyInterval=14400\n");
        QTest::newRow("system's default") << policy << QByteArray() << 14400;
        QTest::newRow("user's own wins") << policy << QByteArray("[%General]\nnotifyInterval=3600\n") << 3600;
    }
    void valuesFromBothFiles()
    {
        QFETCH(QByteArray, system);
        QFETCH(QByteArray, user);
        QFETCH(int, interval);
        const QString systemFile = SysRoot::path(QStringLiteral("/etc/xdg/TarnoLinux/zib-update-notifier.conf"));
        for (const auto& [path, content] : {qMakePair(systemFile, system), qMakePair(settings().fileName(), user)}) {
            QFile out(path);
            QVERIFY(QDir().mkpath(QFileInfo(out).path()) && out.open(QIODevice::WriteOnly));
            QVERIFY(out.write(content) == content.size() && out.flush());
        }
        const SettingsStore::Values values = SettingsStore::load(now);
        QCOMPARE(values.notifyInterval, interval);
        QCOMPARE(values.nextNotifyDate, now.addSecs(interval));
        QVERIFY(values.skipNotificationDelay < 1);
        const QString stored = QStringLiteral("General/nextNotifyDate");
        QCOMPARE(
            QSettings(settings().fileName(), QSettings::IniFormat).value(stored).toDateTime(), values.nextNotifyDate);
        QFile admin(systemFile);
        QVERIFY(admin.open(QIODevice::ReadOnly) && admin.readAll() == system);
    }
};

ZIB_UNIT_MAIN(ScheduleTest)
#include "tst_schedule.moc"
