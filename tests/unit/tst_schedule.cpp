// Settings store, the "System update" notification's life, its schedule and remind-later, with time
// moved through the clock seam.
#include "Clock.h"
#include "Constants.h"
#include "NotificationRecorder.h"
#include "NotifierCoreProbe.h"
#include "SettingsDialog.h"
#include "SettingsFile.h"
#include "TestMain.h"

#include <QDir>
#include <QSettings>

#include <memory>

namespace {
const QDateTime start(QDate(2030, 3, 10), QTime(9, 0));

QSettings* openSettings()
{
    return new QSettings(settingsOrganization, settingsApplication);
}

QVariant stored(const QString& key)
{
    std::unique_ptr<QSettings> settings(openSettings());
    return settings->value(settingsGroup + QLatin1Char('/') + key);
}

} // namespace

class ScheduleTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_recorder.start()); }

    void init()
    {
        TestEnvironment::instance().removeSettings();
        Clock::setNow(start);
    }

    void cleanup()
    {
        m_probe.reset();
        m_core.reset();
        Clock::reset();
        m_recorder.clear();
    }

    void defaultsWithoutSettingsFile()
    {
        makeCore();
        QCOMPARE(m_probe->notifyInterval(), 86400);
        QCOMPARE(m_probe->nextNotifyDate(), start.addSecs(86400));
        QCOMPARE(stored(keyNextNotifyDate).toDateTime(), start.addSecs(86400));
        QVERIFY(m_probe->hideTray());
        QCOMPARE(m_probe->hideTimer()->interval(), 5000);
        QVERIFY(m_probe->hideTrayDeferred());
        QCOMPARE(m_probe->skipNotificationDelay(), qint64(-1));
        QVERIFY(!m_probe->skipNotificationSince().isValid());
        QCOMPARE(m_probe->checkTimer()->interval(), 5000);
        QVERIFY(m_probe->checkTimer()->isActive());
        // Stored typed, not as text.
        QVERIFY(SettingsFile::read().contains("nextNotifyDate=@DateTime("));

        // The first reminder comes one interval after the first start.
        m_probe->updateStatus(UpdateReady);
        QTRY_COMPARE(notifies().size(), 1);
        closeShownPopup();
        Clock::advance(86399);
        m_core->checkTimeToNotify();
        QVERIFY(!m_probe->notification());
        Clock::advance(1);
        m_core->checkTimeToNotify();
        QTRY_COMPARE(notifies().size(), 2);
        QCOMPARE(m_probe->nextNotifyDate(), start.addSecs(2 * 86400));
    }

    void storedValuesAreUsed()
    {
        {
            std::unique_ptr<QSettings> settings(openSettings());
            settings->beginGroup(settingsGroup);
            settings->setValue(keyNotifyInterval, 3600);
            settings->setValue(keyNextNotifyDate, start.addSecs(600));
            settings->setValue(keyHideTray, false);
            settings->setValue(keyHideTrayDelay, 12000);
            settings->setValue(keySkipNotificationDelay, qint64(7200));
            settings->setValue(keySkipNotificationSince, start.addSecs(-60));
            settings->setValue(keyHideTrayDeferred, false);
        }
        makeCore();
        QCOMPARE(m_probe->notifyInterval(), 3600);
        QCOMPARE(m_probe->nextNotifyDate(), start.addSecs(600));
        QVERIFY(!m_probe->hideTray());
        QCOMPARE(m_probe->hideTimer()->interval(), 12000);
        QCOMPARE(m_probe->skipNotificationDelay(), qint64(7200));
        QCOMPARE(m_probe->skipNotificationSince(), start.addSecs(-60));
        QVERIFY(!m_probe->hideTrayDeferred());
    }

    void invalidNextDateIsReplacedAndStored()
    {
        QVERIFY(SettingsFile::write("[%General]\nnextNotifyDate=next tuesday\nnotifyInterval=7200\n"));
        makeCore();
        QCOMPARE(m_probe->nextNotifyDate(), start.addSecs(7200));
        QCOMPARE(stored(keyNextNotifyDate).toDateTime(), start.addSecs(7200));
        QCOMPARE(stored(keyNotifyInterval).toInt(), 7200);
    }

    void unusableIntervalFallsBackToOneDay_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("zero") << QByteArray("0");
        QTest::newRow("negative") << QByteArray("-30");
        QTest::newRow("text") << QByteArray("often");
        QTest::newRow("empty") << QByteArray("");
    }

    void unusableIntervalFallsBackToOneDay()
    {
        QFETCH(QByteArray, value);
        QVERIFY(SettingsFile::write("[%General]\nnotifyInterval=" + value + "\nnextNotifyDate=@DateTime(garbage)\n"));
        makeCore();
        QCOMPARE(m_probe->notifyInterval(), 86400);
        // The schedule still moves forward and ends.
        Clock::advance(3 * 86400);
        m_core->checkTimeToNotify();
        QVERIFY(m_probe->nextNotifyDate() > Clock::now());
    }

    void corruptOrUnconvertibleValues()
    {
        QVERIFY(SettingsFile::write(
            QByteArray("\x00\xff\xfe[General\n=\n[%General]\nhideTrayDelay=soon\nskipNotificationDelay=x\n"
                       "skipNotificationSince=@Variant(\x01\x02)\nnotifyInterval=@DateTime()\n",
                100)));
        makeCore();
        QCOMPARE(m_probe->notifyInterval(), 86400);
        QCOMPARE(m_probe->hideTimer()->interval(), 0);
        QCOMPARE(m_probe->skipNotificationDelay(), qint64(0));
        QVERIFY(!m_probe->skipNotificationSince().isValid());
        QVERIFY(!m_probe->isSkipActive());
        QVERIFY(m_probe->nextNotifyDate().isValid());
    }

    void unreadableOrUnwritableSettings()
    {
        // The file is a directory: nothing can be read or written, the defaults run in memory.
        const QString path = TestEnvironment::instance().settingsFile();
        QDir().mkpath(path);
        makeCore();
        QCOMPARE(m_probe->notifyInterval(), 86400);
        QCOMPARE(m_probe->nextNotifyDate(), start.addSecs(86400));
        m_core->onRemindLaterActionTriggered(m_probe->remindDayAction());
        QCOMPARE(m_probe->skipNotificationDelay(), qint64(86400));
        QVERIFY(m_probe->isSkipActive());
        Clock::advance(86400);
        m_core->checkTimeToNotify();
        QCOMPARE(m_probe->nextNotifyDate(), start.addSecs(2 * 86400));
        QVERIFY(QFileInfo(path).isDir());
        m_probe.reset();
        m_core.reset();
        QDir(path).removeRecursively();

        // The directory can't be created at all.
        const QString directory = QFileInfo(path).absolutePath();
        QDir(directory).removeRecursively();
        QFile blocker(directory);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        makeCore();
        m_core->onRemindLaterActionTriggered(m_probe->remindTwoDaysAction());
        QVERIFY(m_probe->isSkipActive());
        QVERIFY(QFileInfo(directory).isFile());
        m_probe.reset();
        m_core.reset();
        QFile::remove(directory);
    }

    void postponementRule_data()
    {
        QTest::addColumn<qint64>("delay");
        QTest::addColumn<QDateTime>("since");
        QTest::addColumn<bool>("active");
        QTest::newRow("one day, started 1 h ago") << qint64(86400) << start.addSecs(-3600) << true;
        QTest::newRow("one day, started exactly a day ago") << qint64(86400) << start.addSecs(-86400) << false;
        QTest::newRow("no start: stays until reset") << qint64(86400) << QDateTime() << true;
        QTest::newRow("zero delay") << qint64(0) << start << false;
        QTest::newRow("none") << qint64(-1) << start.addSecs(-10) << false;
        QTest::newRow("start in the future") << qint64(60) << start.addSecs(3600) << true;
    }

    void postponementRule()
    {
        QFETCH(qint64, delay);
        QFETCH(QDateTime, since);
        QFETCH(bool, active);
        makeCore();
        m_probe->skipNotificationDelay() = delay;
        m_probe->skipNotificationSince() = since;
        QCOMPARE(m_probe->isSkipActive(), active);
    }

    void remindLaterForTwoDays()
    {
        makeCore();
        m_probe->updateStatus(UpdateReady);
        m_probe->trayIcon()->show();
        QTRY_COMPARE(notifies().size(), 1);
        const uint id = notifies().constFirst().value(QLatin1String("id")).toInt();

        Q_EMIT m_probe->remindMenu()->triggered(m_probe->remindTwoDaysAction());
        QCOMPARE(m_probe->skipNotificationDelay(), qint64(172800));
        QCOMPARE(m_probe->skipNotificationSince(), start);
        QCOMPARE(stored(keySkipNotificationDelay).toLongLong(), qint64(172800));
        QCOMPARE(stored(keySkipNotificationSince).toDateTime(), start);
        QVERIFY(!m_probe->notification());
        QTRY_COMPARE(closes().size(), 1);
        QCOMPARE(uint(closes().constFirst().value(QLatin1String("id")).toInt()), id);
        QVERIFY(!m_probe->trayIcon()->isVisible());

        // State changes and reminders stay quiet meanwhile; the schedule moves on regardless.
        m_probe->updateStatus(UpdateSet);
        QVERIFY(!m_probe->notification());
        Clock::advance(86400);
        m_core->checkTimeToNotify();
        QVERIFY(!m_probe->notification());
        QCOMPARE(m_probe->nextNotifyDate(), start.addSecs(2 * 86400));
    }

    void remindLaterKeepsIconWhileEditingSettings()
    {
        makeCore();
        m_probe->updateStatus(UpdateReady);
        m_core->showSettings();
        Q_EMIT m_probe->remindMenu()->triggered(m_probe->remindDayAction());
        QVERIFY(m_probe->trayIcon()->isVisible());

        // Without deferred hiding the icon stays anyway.
        m_probe->settingsDialog()->hide();
        m_probe->hideTrayDeferred() = false;
        Q_EMIT m_probe->remindMenu()->triggered(m_probe->remindWeekAction());
        QVERIFY(m_probe->trayIcon()->isVisible());
        QCOMPARE(m_probe->skipNotificationDelay(), qint64(168 * 3600));
    }

    void oneHourEndsExactly()
    {
        makeCore();
        Q_EMIT m_probe->remindMenu()->triggered(m_probe->remindHourAction());
        QCOMPARE(stored(keySkipNotificationDelay).toLongLong(), qint64(3600));
        Clock::advance(3599);
        QVERIFY(m_probe->isSkipActive());
        Clock::advance(1);
        QVERIFY(!m_probe->isSkipActive());
    }

    void entryWithoutDataDoesNothing()
    {
        makeCore();
        QVERIFY(!m_probe->remindNeverAction()->data().isValid());
        m_probe->updateStatus(UpdateReady);
        Q_EMIT m_probe->remindMenu()->triggered(m_probe->remindNeverAction());
        QCOMPARE(m_probe->skipNotificationDelay(), qint64(-1));
        QVERIFY(m_probe->notification());
        QVERIFY(!stored(keySkipNotificationDelay).isValid());
    }

    void missedRemindersGiveOneNotification()
    {
        const QDateTime old = start.addSecs(-(3 * 7200 + 3600)); // 3.5 intervals ago
        {
            std::unique_ptr<QSettings> settings(openSettings());
            settings->setValue(settingsGroup + QLatin1Char('/') + keyNotifyInterval, 7200);
            settings->setValue(settingsGroup + QLatin1Char('/') + keyNextNotifyDate, old);
        }
        makeCore();
        m_probe->updateStatus(UpdateReady);
        QTRY_COMPARE(notifies().size(), 1);
        closeShownPopup();
        m_core->checkTimeToNotify();
        QCOMPARE(m_probe->nextNotifyDate(), old.addSecs(4 * 7200));
        QCOMPARE(stored(keyNextNotifyDate).toDateTime(), old.addSecs(4 * 7200));
        QTRY_COMPARE(notifies().size(), 2);
        // Not due yet: nothing moves.
        KNotification* shown = m_probe->notification();
        m_core->checkTimeToNotify();
        QCOMPARE(m_probe->notification(), shown);
        QCOMPARE(m_probe->nextNotifyDate(), old.addSecs(4 * 7200));
    }

    void remindMenuFollowsTheDueDate_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("due");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("day");
        QTest::addColumn<bool>("twoDays");
        QTest::addColumn<bool>("week");
        QTest::addColumn<bool>("never");
        QTest::addColumn<int>("neverHours");
        const QDateTime evening(QDate(2030, 3, 10), QTime(22, 30));
        // From 09:00 to 00:01 three days later: 63 h 1 min, so 64.
        QTest::newRow("in 3 days") << start << start.addDays(3) << true << true << true << false << true << 64;
        QTest::newRow("today") << start << start.addSecs(3600) << true << false << false << false << false << -1;
        QTest::newRow("yesterday") << start << start.addDays(-1) << false << true << true << true << false << -1;
        QTest::newRow("none") << start << QDateTime() << true << true << true << true << false << -1;
        QTest::newRow("22:30, due the day after tomorrow")
            << evening << evening.addDays(2).addSecs(-3600) << true << true << false << false << true << 26;
        QTest::newRow("in ten days") << start << start.addDays(10) << true << true << true << true << true
                                     << (10 * 24 - 9 + 1);
    }

    void remindMenuFollowsTheDueDate()
    {
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, due);
        QFETCH(bool, enabled);
        QFETCH(bool, day);
        QFETCH(bool, twoDays);
        QFETCH(bool, week);
        QFETCH(bool, never);
        QFETCH(int, neverHours);
        Clock::setNow(now);
        makeCore();
        m_probe->updateStatus(UpdateSet);
        m_probe->updateDate() = due;
        m_probe->remindDayAction()->setVisible(false);
        m_probe->remindTwoDaysAction()->setVisible(false);
        m_probe->remindWeekAction()->setVisible(false);
        // Fired by the 30-minute refresh.
        QMetaObject::invokeMethod(m_probe->remindMenuTimer(), "timeout");
        QCOMPARE(m_probe->remindMenu()->isEnabled(), enabled);
        if (!enabled) {
            return; // a past date changes nothing else
        }
        QVERIFY(m_probe->remindHourAction()->isVisible());
        QCOMPARE(m_probe->remindDayAction()->isVisible(), day);
        QCOMPARE(m_probe->remindTwoDaysAction()->isVisible(), twoDays);
        QCOMPARE(m_probe->remindWeekAction()->isVisible(), week);
        QCOMPARE(m_probe->remindNeverAction()->isVisible(), never);
        if (neverHours > 0) {
            QCOMPARE(m_probe->remindNeverAction()->data().toInt(), neverHours);
        }
    }

    void remindMenuUsesTheUpgradeDateInUpgradeMode()
    {
        makeCore();
        m_probe->updateStatus(UpgradeReady);
        m_probe->upgradeMode() = true;
        m_probe->updateDate() = start.addDays(-1);
        m_probe->upgradeDate() = start.addDays(2);
        m_probe->updateRemindMenu();
        QVERIFY(m_probe->remindMenu()->isEnabled());
        QVERIFY(m_probe->remindNeverAction()->isVisible());
        // Only pending updates can be postponed.
        m_probe->updateStatus(InitError);
        m_probe->updateRemindMenu();
        QVERIFY(!m_probe->remindMenu()->isEnabled());
    }

    void sameStateUpdatesTheSamePopup()
    {
        makeCore();
        m_probe->updateDate() = start.addDays(2);
        m_probe->updateStatus(UpdateSet);
        QTRY_COMPARE(notifies().size(), 1);
        KNotification* popup = m_probe->notification();
        const int id = notifies().constFirst().value(QLatin1String("id")).toInt();
        QCOMPARE(notifies().constFirst().value(QLatin1String("expire_timeout")).toInt(), -1);

        // The reminder refreshes the shown popup in place; now that the date has come it must stay.
        Clock::advance(3 * 86400);
        m_core->checkTimeToNotify();
        QCOMPARE(m_probe->notification(), popup);
        QTRY_COMPARE(notifies().size(), 2);
        QCOMPARE(notifies().at(1).value(QLatin1String("replaces_id")).toInt(), id);
        QCOMPARE(notifies().at(1).value(QLatin1String("hints")).toObject().value(QLatin1String("urgency")).toInt(), 2);
        QCOMPARE(notifies().at(1).value(QLatin1String("expire_timeout")).toInt(), 0);

        // Another state closes it and starts a new one.
        m_probe->updateStatus(UpdateReady);
        QVERIFY(m_probe->notification() != popup);
        QTRY_COMPARE(notifies().size(), 3);
        QTRY_COMPARE(closes().size(), 1);
        QCOMPARE(closes().constFirst().value(QLatin1String("id")).toInt(), id);
        QCOMPARE(notifies().at(2).value(QLatin1String("replaces_id")).toInt(), 0);
        QCOMPARE(notifies().at(2).value(QLatin1String("hints")).toObject().value(QLatin1String("x-kde-eventId")),
            QJsonValue(QStringLiteral("updateready")));
    }

    void actionsOfferedFollowsTheShownActions()
    {
        makeCore();
        m_probe->updateStatus(UpdateReady);
        QVERIFY(m_probe->actionsOffered());
        m_probe->updateStatus(InitError);
        QVERIFY(m_probe->actionsOffered());
        m_probe->updateStatus(UpdateSet);
        QVERIFY(!m_probe->actionsOffered());
        m_probe->updateStatus(UpgradeReady);
        QVERIFY(m_probe->actionsOffered());
        m_probe->updateStatus(UpgradeSet);
        QVERIFY(!m_probe->actionsOffered());
    }

    void noUpdatesIsToldOnlyAfterAnUpdate()
    {
        makeCore();
        KNotification* startError = m_probe->notification();
        m_probe->notify(UpdateUnavailable);
        QCOMPARE(m_probe->notification(), startError);
        m_probe->updateStatus(UpdateReady);
        m_probe->updateStatus(UpdateUnavailable);
        QVERIFY(m_probe->notification());
        QCOMPARE(m_probe->notification()->eventId(), QStringLiteral("updateunavailable"));
        QCOMPARE(m_probe->notification()->urgency(), KNotification::LowUrgency);
    }

    void closedPopupIsRemembered()
    {
        makeCore();
        m_probe->updateStatus(UpdateReady);
        QTRY_COMPARE(notifies().size(), 1);
        closeShownPopup();
        QCOMPARE(m_probe->closedEventId(), QStringLiteral("updateready"));

        // A reminder after the user closed it sends a new popup.
        Clock::advance(86400);
        m_core->checkTimeToNotify();
        QVERIFY(m_probe->notification());
        QVERIFY(m_probe->closedEventId().isEmpty());
        QTRY_COMPARE(notifies().size(), 2);
        QCOMPARE(notifies().at(1).value(QLatin1String("replaces_id")).toInt(), 0);
    }

    void hideTrayIconRespectsTheSettingsWindow()
    {
        makeCore();
        m_probe->trayIcon()->show();
        m_core->showSettings();
        m_core->hideTrayIcon();
        QVERIFY(m_probe->trayIcon()->isVisible());
        m_probe->settingsDialog()->hide();
        m_core->hideTrayIcon();
        QVERIFY(!m_probe->trayIcon()->isVisible());
    }

    void acceptedSettingsAreReadAgain()
    {
        makeCore();
        {
            std::unique_ptr<QSettings> settings(openSettings());
            settings->setValue(settingsGroup + QLatin1Char('/') + keyNotifyInterval, 1800);
        }
        m_core->showSettings();
        m_probe->settingsDialog()->accept();
        QCOMPARE(m_probe->notifyInterval(), 1800);
    }

private:
    void makeCore()
    {
        m_core = std::make_unique<NotifierCore>(true, nullptr);
        m_probe = std::make_unique<NotifierCoreProbe>(m_core.get());
        // The start without a service raised its error popup; tests look at what follows.
        QTRY_VERIFY(!notifies().isEmpty() || !m_probe->notification());
        m_recorder.clear();
    }

    // The user dismisses the popup on screen.
    void closeShownPopup()
    {
        const QList<QJsonObject> shown = notifies();
        QVERIFY(!shown.isEmpty());
        // The popup learns its server id from a reply that, when it came before the popup watched for it,
        // takes two rounds of posted events. A close signal queued before that would find no popup.
        for (int round = 0; round < 3; ++round) {
            QCoreApplication::processEvents();
        }
        QVERIFY(m_recorder.close(uint(shown.constLast().value(QLatin1String("id")).toInt()), 2));
        QTRY_VERIFY(!m_probe->notification());
    }

    QList<QJsonObject> notifies() const { return m_recorder.calls(QStringLiteral("Notify")); }
    QList<QJsonObject> closes() const { return m_recorder.calls(QStringLiteral("CloseNotification")); }

    NotificationRecorder m_recorder;
    std::unique_ptr<NotifierCore> m_core;
    std::unique_ptr<NotifierCoreProbe> m_probe;
};

ZIB_TEST_MAIN(ScheduleTest)
#include "tst_schedule.moc"
