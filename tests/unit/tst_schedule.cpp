// Reminder arithmetic and the settings it lives on.
#include "ReminderSchedule.h"
#include "SettingsStore.h"
#include "UnitMain.h"

#include <QFile>
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
    void init()
    {
        QFile::remove(QSettings(QStringLiteral("TarnoLinux"), QStringLiteral("zib-update-notifier")).fileName());
    }

    void postponement_data()
    {
        QTest::addColumn<qint64>("delay");
        QTest::addColumn<int>("sinceSecsAgo"); // -1: no start recorded
        QTest::addColumn<bool>("postponed");
        QTest::newRow("a day, an hour in") << qint64(86400) << 3600 << true;
        QTest::newRow("a day, exactly over") << qint64(86400) << 86400 << false;
        QTest::newRow("no start lasts") << qint64(3600) << -1 << true;
        QTest::newRow("zero never") << qint64(0) << -1 << false;
    }
    void postponement()
    {
        QFETCH(qint64, delay);
        QFETCH(int, sinceSecsAgo);
        QTEST(SettingsStore::isPostponed(delay, sinceSecsAgo < 0 ? QDateTime() : now.addSecs(-sinceSecsAgo), now),
            "postponed");
    }

    void missedRemindersKeepTheGrid()
    {
        const QDateTime due = now.addSecs(-3 * 86400 - 43200);
        QCOMPARE(nextAfter(due, 86400, now), due.addSecs(4 * 86400));
        QCOMPARE(nextAfter(now, 3600, now), now.addSecs(3600)); // due now: not earlier, so it moves
        QCOMPARE(nextAfter(now.addSecs(10), 3600, now), now.addSecs(10));
        QCOMPARE(nextAfter(due, 0, now), due); // a broken interval never loops
    }

    void remindMenu_data()
    {
        QTest::addColumn<QDateTime>("due");
        QTest::addColumn<bool>("usable");
        QTest::addColumn<QString>("days"); // visible day entries: 1, 2, w
        QTest::addColumn<int>("never"); // -1 unchanged, 0 hidden, else hours
        QTest::newRow("no date") << QDateTime() << true << "12w" << 0;
        QTest::newRow("yesterday") << now.addDays(-1) << false << "12w" << -1;
        QTest::newRow("today") << QDateTime(now.date(), QTime(23, 0)) << true << "" << -1;
        QTest::newRow("in 3 days") << now.addDays(3) << true << "12" << 50;
        QTest::newRow("day after tomorrow, 22:30") << now.addDays(2) << true << "1" << 26;
        QTest::newRow("in 8 days") << now.addDays(8) << true << "12w" << 170;
    }
    void remindMenu()
    {
        QFETCH(QDateTime, due);
        const RemindMenu menu = remindMenuFor(due, now);
        QTEST(menu.usable, "usable");
        if (menu.usable) {
            QString days;
            days += menu.oneDay ? QStringLiteral("1") : QString();
            days += menu.twoDays ? QStringLiteral("2") : QString();
            days += menu.week ? QStringLiteral("w") : QString();
            QTEST(days, "days");
        }
        QTEST(menu.neverHours.value_or(-1), "never");
    }

    void defaultsWithoutAFile()
    {
        const SettingsStore::Values values = SettingsStore::load(now);
        QCOMPARE(values.notifyInterval, 86400);
        QCOMPARE(values.nextNotifyDate, now.addDays(1));
        QVERIFY(values.hideTray);
        QCOMPARE(values.hideTrayDelayMs, 5000);
        QCOMPARE(values.skipNotificationDelay, qint64(-1));
        QVERIFY(!values.skipNotificationSince.isValid());
        QVERIFY(values.hideTrayDeferred);
        // The first reminder date is kept across restarts.
        QCOMPARE(settings().value(QStringLiteral("General/nextNotifyDate")).toDateTime(), now.addDays(1));
    }

    void badValues_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("garbage") << QByteArray("\x01\x02[[[=\n\xff");
        QTest::newRow("interval zero") << QByteArray("[General]\nnotifyInterval=0\nnextNotifyDate=yesterday\n");
        QTest::newRow("interval text") << QByteArray("[General]\nnotifyInterval=often\nskipNotificationDelay=x\n");
    }
    void badValues()
    {
        QFETCH(QByteArray, file);
        const QString path = settings().fileName();
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(file);
        out.close();
        const SettingsStore::Values values = SettingsStore::load(now);
        QCOMPARE(values.notifyInterval, 86400);
        QCOMPARE(values.nextNotifyDate, now.addDays(1));
        QVERIFY(values.skipNotificationDelay < 1);
    }
};

ZIB_UNIT_MAIN(ScheduleTest)
#include "tst_schedule.moc"
