// One state drives the tray picture, tooltip, visibility, the menu's state entry, the dialog and the
// notification content.
#include "Clock.h"
#include "Constants.h"
#include "NotificationContent.h"
#include "NotifierCoreProbe.h"
#include "SettingsDialog.h"
#include "TestMain.h"
#include "UpdateInfoDialog.h"

#include <memory>

namespace {
QImage picture(const QIcon& icon)
{
    return icon.pixmap(22, 22).toImage();
}

const QDateTime now = QDateTime(QDate(2030, 6, 15), QTime(12, 0));
} // namespace

class StateModelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        TestEnvironment::instance().removeSettings();
        Clock::setNow(now);
        m_core = std::make_unique<NotifierCore>(true, nullptr);
        m_probe = std::make_unique<NotifierCoreProbe>(m_core.get());
    }

    void cleanup()
    {
        m_probe.reset();
        m_core.reset();
        Clock::reset();
    }

    void presentationOfEveryState_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("fallback");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<bool>("entryEnabled");
        QTest::addColumn<QString>("entryText");
        QTest::addColumn<QString>("entryToolTip");
        const QString noUpdates = QStringLiteral("No available updates detected");
        const QString available = QStringLiteral("New system update is available");
        const QString onReboot = QStringLiteral("The system will be updated on the next reboot");
        const QString unreachable = QStringLiteral("Unable to connect to the service tarno-update-service");
        const QString postpone = QStringLiteral("&Postpone the update");
        const QString wontUpdate = QStringLiteral("The system won't be updated on the next reboot");
        QTest::newRow("UpdateUnavailable") << int(UpdateUnavailable) << iconUnavailableFallback << noUpdates << false
                                           << QStringLiteral("&No updates") << QStringLiteral("No updates available");
        QTest::newRow("UpdateReady") << int(UpdateReady) << iconAvailableFallback << available << true
                                     << QStringLiteral("&Update on reboot") << onReboot;
        QTest::newRow("UpdateSet") << int(UpdateSet) << iconAfterRebootFallback << onReboot << true << postpone
                                   << wontUpdate;
        QTest::newRow("InitError") << int(InitError) << iconServiceErrorFallback << unreachable << false
                                   << QStringLiteral("&No updates")
                                   << QStringLiteral("Updating system is on error state");
        QTest::newRow("Disabled") << int(Disabled) << iconServiceDisabledFallback
                                  << QStringLiteral("The service tarno-update-service is disabled") << false
                                  << QStringLiteral("&No updates") << QStringLiteral("Updating system is not active");
        QTest::newRow("UpgradeReady") << int(UpgradeReady) << iconAvailableFallback << available << true
                                      << QStringLiteral("&Update on reboot") << onReboot;
        QTest::newRow("UpgradeSet") << int(UpgradeSet) << iconAfterRebootFallback << onReboot << true << postpone
                                    << wontUpdate;
    }

    void presentationOfEveryState()
    {
        QFETCH(int, state);
        QFETCH(QString, fallback);
        QFETCH(QString, toolTip);
        QFETCH(bool, entryEnabled);
        QFETCH(QString, entryText);
        QFETCH(QString, entryToolTip);
        m_probe->stateAction()->setText(QStringLiteral("&No updates"));
        m_probe->trayIcon()->hide();

        m_probe->updateStatus(State(state));
        QCOMPARE(m_probe->state(), state);
        QCOMPARE(picture(m_probe->trayIcon()->icon()), picture(QIcon(fallback)));
        QCOMPARE(m_probe->trayIcon()->toolTip(), toolTip);
        // Only "no updates" leaves the icon as it was.
        QCOMPARE(m_probe->trayIcon()->isVisible(), state != UpdateUnavailable);
        QCOMPARE(m_probe->stateAction()->isEnabled(), entryEnabled);
        QCOMPARE(m_probe->stateAction()->text(), entryText);
        QCOMPARE(m_probe->stateAction()->toolTip(), entryToolTip);
        QVERIFY(m_probe->stateAction()->isVisible());
        QCOMPARE(m_probe->updateSeen(),
            state == UpdateReady || state == UpdateSet || state == UpgradeReady || state == UpgradeSet);
    }

    void unchangedPictureIsNotSentAgain()
    {
        m_probe->updateStatus(UpdateReady);
        const qint64 shown = m_probe->trayIcon()->icon().cacheKey();
        m_probe->updateStatus(UpdateReady);
        m_probe->updateStatus(UpgradeReady);
        QCOMPARE(m_probe->trayIcon()->icon().cacheKey(), shown);
        m_probe->updateStatus(UpdateSet);
        QVERIFY(m_probe->trayIcon()->icon().cacheKey() != shown);
    }

    void replyErrorReconnectsAtOnce()
    {
        m_probe->updateStatus(UpdateReady);
        m_probe->stateAction()->setEnabled(true);
        m_probe->updateStatus(ReplyError);
        // No service in this test: the reconnection ends in InitError, which schedules the next try.
        QCOMPARE(m_probe->state(), int(InitError));
        QVERIFY(m_probe->trayIcon()->isVisible());
        QVERIFY(m_probe->reconnectTimer()->isActive());
    }

    void noUpdatesHidesAfterTheDelay()
    {
        m_probe->hideTray() = true;
        m_probe->updateStatus(UpdateReady);
        m_probe->updateStatus(UpdateUnavailable);
        QVERIFY(m_probe->hideTimer()->isActive());
        QCOMPARE(m_probe->hideTimer()->interval(), 5000);
        // Any refresh stops a pending hide; hidden icons don't start one.
        m_probe->updateStatus(UpdateReady);
        QVERIFY(!m_probe->hideTimer()->isActive());
        m_probe->trayIcon()->hide();
        m_probe->updateStatus(UpdateUnavailable);
        QVERIFY(!m_probe->hideTimer()->isActive());

        m_probe->hideTray() = false;
        m_probe->trayIcon()->show();
        m_probe->updateStatus(UpdateUnavailable);
        QVERIFY(!m_probe->hideTimer()->isActive());
    }

    void deferredRemindersHideTheUpdateIcon()
    {
        m_probe->skipNotificationDelay() = 3600;
        m_probe->skipNotificationSince() = now.addSecs(-60);
        m_probe->hideTrayDeferred() = true;
        for (State state : {UpdateReady, UpdateSet, UpgradeReady, UpgradeSet}) {
            m_probe->trayIcon()->show();
            m_probe->updateStatus(state);
            QVERIFY(!m_probe->trayIcon()->isVisible());
        }
        // ...unless the user is in the settings window.
        m_core->showSettings();
        m_probe->updateStatus(UpdateReady);
        QVERIFY(m_probe->trayIcon()->isVisible());
        m_probe->settingsDialog()->reject();
        QVERIFY(!m_probe->trayIcon()->isVisible());

        // Errors always show.
        m_probe->updateStatus(Disabled);
        QVERIFY(m_probe->trayIcon()->isVisible());

        m_probe->hideTrayDeferred() = false;
        m_probe->updateStatus(UpdateReady);
        QVERIFY(m_probe->trayIcon()->isVisible());
    }

    void postponeEntryFollowsTheDueDate()
    {
        m_probe->updateDate() = now.addDays(2);
        m_probe->updateStatus(UpdateSet);
        QVERIFY(m_probe->stateAction()->isEnabled());

        m_probe->updateDate() = now; // due now counts as passed
        m_probe->updateStatus(UpdateSet);
        QVERIFY(!m_probe->stateAction()->isEnabled());

        // A refused postponement leaves the entry as it was.
        m_probe->updateDate() = QDateTime();
        m_probe->updateLocked() = true;
        m_probe->stateAction()->setEnabled(false);
        m_probe->updateStatus(UpdateSet);
        QVERIFY(!m_probe->stateAction()->isEnabled());
        m_probe->stateAction()->setEnabled(true);
        m_probe->updateStatus(UpdateSet);
        QVERIFY(m_probe->stateAction()->isEnabled());

        m_probe->upgradeForced() = true;
        m_probe->updateStatus(UpgradeSet);
        QVERIFY(!m_probe->stateAction()->isEnabled());
        m_probe->upgradeForced() = false;
        m_probe->upgradeDate() = now.addSecs(-1);
        m_probe->updateStatus(UpgradeSet);
        QVERIFY(!m_probe->stateAction()->isEnabled());
        m_probe->upgradeDate() = now.addSecs(1);
        m_probe->updateStatus(UpgradeSet);
        QVERIFY(m_probe->stateAction()->isEnabled());
    }

    void notificationOnlyOnChange()
    {
        m_probe->updateStatus(UpdateReady);
        KNotification* first = m_probe->notification();
        QVERIFY(first);
        QCOMPARE(first->eventId(), QStringLiteral("updateready"));
        m_probe->updateStatus(UpdateReady);
        QCOMPARE(m_probe->notification(), first);

        // Back to "no updates": the popup goes, and the state-0 notification follows.
        m_probe->updateStatus(UpdateUnavailable);
        QVERIFY(m_probe->notification());
        QCOMPARE(m_probe->notification()->eventId(), QStringLiteral("updateunavailable"));
    }

    void noUpdatesIsQuietUntilAnUpdateWasSeen()
    {
        m_probe->updateStatus(Disabled);
        QVERIFY(m_probe->notification());
        m_probe->updateStatus(UpdateUnavailable);
        QVERIFY(!m_probe->notification());
    }

    void dialogFollowsTheState()
    {
        m_probe->showInfoDialog();
        m_probe->updateStatus(UpdateSet);
        QCOMPARE(picture(m_probe->infoDialog()->windowIcon()), picture(QIcon(iconAfterRebootFallback)));
        m_probe->updateStatus(Disabled);
        QCOMPARE(picture(m_probe->infoDialog()->windowIcon()), picture(QIcon(iconServiceDisabledFallback)));
    }

    void withoutTrayIconTheRestStillFollows()
    {
        NotifierCore core(false, nullptr);
        NotifierCoreProbe probe(&core);
        probe.updateStatus(UpdateReady);
        QCOMPARE(probe.state(), int(UpdateReady));
        QVERIFY(probe.updateSeen());
        QVERIFY(probe.stateAction()->isEnabled());
        QVERIFY(probe.notification());
        probe.updateStatus(UpdateUnavailable);
        QVERIFY(!probe.stateAction()->isEnabled());
        probe.updateStatus(Disabled);
        QVERIFY(probe.reconnectTimer()->isActive());
    }

    void notificationContent_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QDateTime>("due");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("actions");
        QTest::addColumn<int>("urgency");
        QTest::addColumn<bool>("persistent");
        const QString onReboot = QStringLiteral("The system will be updated on the next reboot");
        const int high = KNotification::HighUrgency;
        const int critical = KNotification::CriticalUrgency;
        QTest::newRow("no updates") << int(UpdateUnavailable) << false << QDateTime()
                                    << QStringLiteral("No available updates detected") << 0
                                    << int(KNotification::LowUrgency) << false;
        QTest::newRow("ready") << int(UpdateReady) << false << QDateTime()
                               << QStringLiteral("New system update is available") << 2 << high << true;
        QTest::newRow("upgrade ready") << int(UpgradeReady) << true << now.addDays(-1)
                                       << QStringLiteral("New system update is available") << 2 << high << true;
        QTest::newRow("set, due later") << int(UpdateSet) << false << now.addSecs(1) << onReboot << 0 << high << false;
        QTest::newRow("set, due now") << int(UpdateSet) << false << now << onReboot << 0 << critical << true;
        QTest::newRow("set, no date") << int(UpdateSet) << false << QDateTime() << onReboot << 0 << critical << true;
        QTest::newRow("set, refused") << int(UpdateSet) << true << now.addDays(3) << onReboot << 0 << critical << true;
        QTest::newRow("upgrade set, forced")
            << int(UpgradeSet) << true << now.addDays(3) << onReboot << 0 << critical << true;
        QTest::newRow("upgrade set, later")
            << int(UpgradeSet) << false << now.addDays(3) << onReboot << 0 << high << false;
        QTest::newRow("init error") << int(InitError) << false << QDateTime()
                                    << QStringLiteral("Unable to connect to the service tarno-update-service") << 0
                                    << critical << false;
        QTest::newRow("reply error") << int(ReplyError) << false << QDateTime()
                                     << QStringLiteral("Some problems with the service reply, please wait") << 0 << high
                                     << false;
        QTest::newRow("disabled") << int(Disabled) << false << QDateTime()
                                  << QStringLiteral("The service tarno-update-service is disabled") << 0 << critical
                                  << false;
    }

    void notificationContent()
    {
        QFETCH(int, state);
        QFETCH(bool, refused);
        QFETCH(QDateTime, due);
        QFETCH(QString, text);
        QFETCH(int, actions);
        QFETCH(int, urgency);
        QFETCH(bool, persistent);
        const NotificationContent content = NotificationContent::forState(state, refused, due, now);
        QCOMPARE(content.text, text);
        QCOMPARE(content.actions.size(), actions);
        if (actions) {
            QCOMPARE(
                content.actions, (QStringList {QStringLiteral("Update on reboot"), QStringLiteral("To postpone")}));
        }
        QCOMPARE(int(content.urgency), urgency);
        QCOMPARE(content.flags.testFlag(KNotification::Persistent), persistent);
    }

private:
    std::unique_ptr<NotifierCore> m_core;
    std::unique_ptr<NotifierCoreProbe> m_probe;
};

ZIB_TEST_MAIN(StateModelTest)
#include "tst_statemodel.moc"
