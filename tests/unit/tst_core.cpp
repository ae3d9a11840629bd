// The notifier assembled from its parts, with the outside world faked: what a user sees in the tray,
// the menu and the notifications as the service answers.
#include "Fakes.h"
#include "Notifications.h"
#include "NotifierCore.h"
#include "Reminders.h"
#include "ServiceClient.h"
#include "SettingsDialog.h"
#include "SysRoot.h"
#include "Tray.h"
#include "UnitMain.h"
#include "UpdateInfoDialog.h"
#include "UpgradeFiles.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QSystemTrayIcon>

namespace {
const QString state = QStringLiteral("getCurrentStateAsInt");

QAction* entry(const Tray& tray, const QString& text)
{
    return menuEntry(tray.menu(), text);
}

QSystemTrayIcon* icon(const NotifierCore& core)
{
    return core.tray().findChild<QSystemTrayIcon*>();
}
} // namespace

class CoreTest : public QObject
{
    Q_OBJECT

    FakeClock clock;
    FakeUpdateService service;
    FakePresence presence;
    FakePackages packages;
    FakeDesktop desktop;

    std::unique_ptr<NotifierCore> makeCore()
    {
        return std::make_unique<NotifierCore>(
            true, NotifierCore::Platform {clock, service, presence, packages, desktop}, nullptr);
    }

private Q_SLOTS:
    void init()
    {
        QFile::remove(QSettings(QStringLiteral("TarnoLinux"), QStringLiteral("zib-update-notifier")).fileName());
        service = FakeUpdateService();
        presence.active = true;
        desktop = FakeDesktop();
        clock = FakeClock();
        QDir(SysRoot::root()).removeRecursively();
    }

    void startsQuietWithNothingPending()
    {
        auto core = makeCore();
        QCOMPARE(core->state(), 0);
        QVERIFY(!icon(*core)->isVisible()); // hidden by default until something matters
        QVERIFY(core->notifications().stateEventId().isEmpty());
        QVERIFY(!entry(core->tray(), QStringLiteral("&No updates"))->isEnabled());
        QVERIFY(!entry(core->tray(), QStringLiteral("Disable notifications"))->isEnabled());
        QVERIFY(!entry(core->tray(), QStringLiteral("Not to remind"))->isVisible());
    }

    void updateShowsInTrayMenuAndNotification()
    {
        service.values[state] = 4;
        service.values[QStringLiteral("getUpdateDateAsString")] = QStringLiteral("10:00 14.12.2026");
        auto core = makeCore();
        core->serviceClient().poll();
        QCOMPARE(core->state(), 1);
        QVERIFY(icon(*core)->isVisible());
        QCOMPARE(icon(*core)->toolTip(), QStringLiteral("New system update is available"));
        QVERIFY(entry(core->tray(), QStringLiteral("&Update on reboot"))->isEnabled());
        QVERIFY(entry(core->tray(), QStringLiteral("Disable notifications"))->isEnabled());
        QCOMPARE(entry(core->tray(), QStringLiteral("Not to remind"))->data().toInt(), 159);
        QCOMPARE(core->notifications().stateEventId(), QStringLiteral("updateready"));

        service.values[state] = 0;
        core->serviceClient().poll();
        QCOMPARE(core->notifications().stateEventId(), QStringLiteral("updateunavailable"));
    }

    // A reconnection must not announce "no updates": the faulty-reply state stays until a poll answers.
    void reconnectionKeepsTheFaultShown()
    {
        service.values[state] = 4;
        auto core = makeCore();
        core->serviceClient().poll();
        service.script[state] = {-1};
        core->serviceClient().poll();
        QCOMPARE(core->state(), 4);
        QVERIFY(core->serviceClient().isConnected());
        QCOMPARE(core->notifications().stateEventId(), QStringLiteral("replyerror"));
        core->serviceClient().poll(); // the poll 3 s after the reconnection
        QCOMPARE(core->state(), 1);
    }

    void unreachableServiceShowsAndRetries()
    {
        presence.active = false;
        auto core = makeCore();
        QCOMPARE(core->state(), 3);
        QVERIFY(icon(*core)->isVisible());
        QCOMPARE(core->notifications().stateEventId(), QStringLiteral("initerror"));
        presence.active = true;
        core->serviceClient().reconnect();
        QCOMPARE(core->state(), 3); // until the poll that follows
        core->serviceClient().poll();
        QCOMPARE(core->state(), 0);
    }

    void postponementSilencesAndHides()
    {
        service.values[state] = 4;
        auto core = makeCore();
        core->serviceClient().poll();
        entry(core->tray(), QStringLiteral("for 2 days"))->trigger();
        const QSettings stored(QStringLiteral("TarnoLinux"), QStringLiteral("zib-update-notifier"));
        QCOMPARE(stored.value(QStringLiteral("General/skipNotificationDelay")).toLongLong(), 172800);
        QCOMPARE(stored.value(QStringLiteral("General/skipNotificationSince")).toDateTime(), clock.now());
        QVERIFY(core->notifications().stateEventId().isEmpty());
        QVERIFY(!icon(*core)->isVisible());
        service.values[state] = 5;
        core->serviceClient().poll();
        QCOMPARE(core->state(), 2);
        QVERIFY(!icon(*core)->isVisible());
        QVERIFY(core->notifications().stateEventId().isEmpty());
        // The icon stays while the settings window is open.
        core->showSettings();
        QVERIFY(icon(*core)->isVisible());
        core->tray().hide();
        QVERIFY(icon(*core)->isVisible());
        core->settingsDialog()->reject(); // re-applies the state: hidden again
        QVERIFY(!icon(*core)->isVisible());
    }

    void reminderRepeatsOnItsGrid()
    {
        service.values[state] = 4;
        auto core = makeCore();
        core->serviceClient().poll();
        core->notifications().close();
        const QDateTime first = clock.now().addDays(1);
        clock.advance(3 * 86400 + 43200);
        core->reminders().check();
        QCOMPARE(core->notifications().stateEventId(), QStringLiteral("updateready"));
        const QSettings stored(QStringLiteral("TarnoLinux"), QStringLiteral("zib-update-notifier"));
        QCOMPARE(stored.value(QStringLiteral("General/nextNotifyDate")).toDateTime(), first.addDays(3));
    }

    void settingsWindowFeedsTheCore()
    {
        auto core = makeCore();
        core->showSettings();
        QVERIFY(icon(*core)->isVisible());
        SettingsDialog* dialog = core->settingsDialog();
        core->showSettings(); // raised, not a second window
        QCOMPARE(core->settingsDialog(), dialog);
        dialog->findChild<QCheckBox*>(QStringLiteral("hideTrayCheckBox"))->setChecked(false);
        dialog->accept(); // the core reads the settings inside
        core->serviceClient().poll();
        QVERIFY(!core->findChild<QTimer*>(QStringLiteral("hideTimer"))->isActive());
        emit dialog->helpRequested();
        QCOMPARE(desktop.helpTopics, QStringList {QString()});
    }

    void resultIsToldOnceConnected()
    {
        QVERIFY(writeSysFile(QStringLiteral("/var/cache/tarno-update-service/successful"), QByteArray()));
        QVERIFY(writeSysFile(QStringLiteral("/etc/tarno_version"), "3.1.19\n"));
        auto core = makeCore();
        QTRY_COMPARE(desktop.messages.size(), 1);
        QCOMPARE(desktop.messages[0],
            (QStringList {QStringLiteral("information"), QStringLiteral("Successfull upgrade"),
                QStringLiteral("The system was upgraded,\ncurrent version is 3.1.19")}));
        desktop.closeBox();
        QTRY_COMPARE(service.calls.count(QStringLiteral("removeUpgradeResultStamp")), 1);
        core->serviceClient().reconnect();
        QCoreApplication::processEvents();
        QCOMPARE(desktop.messages.size(), 1);
    }

    void resultStaysWhenItCannotBeRemoved()
    {
        QVERIFY(writeSysFile(QStringLiteral("/var/cache/tarno-upgrade/upgrade_aborted"), QByteArray()));
        presence.active = false;
        auto core = makeCore();
        QTRY_COMPARE(desktop.openBoxes.size(), 1);
        desktop.closeBox(); // told, but nobody to ask for the removal
        QVERIFY(service.calls.isEmpty());
        presence.active = true;
        service.script[QStringLiteral("removeUpgradeResultStamp")] = {QVariant()};
        core = makeCore(); // ends with its box open: closing that box below asks nothing
        core = makeCore();
        QTRY_COMPARE(desktop.openBoxes.size(), 2);
        desktop.closeBox();
        desktop.closeBox();
        QTRY_COMPARE(core->state(), 4); // a failed removal shows as a faulty reply
        QCOMPARE(service.calls.count(QStringLiteral("removeUpgradeResultStamp")), 1);
    }

    void forcedUpgradeDrivesTrayAndMenu()
    {
        const QDateTime end = clock.now().addDays(3);
        QVERIFY(writeSysFile(QStringLiteral("/var/cache/tarno-upgrade/upgrade.report.yaml"),
            "upgrade_mode: forced\nt_end: " + end.toString(QStringLiteral("hh:mm dd.MM.yyyy")).toUtf8() + "\n"));
        auto core = makeCore();
        core->upgradeFiles().check();
        QCOMPARE(core->state(), 7);
        QCOMPARE(icon(*core)->toolTip(), QStringLiteral("The system will be updated on the next reboot"));
        QVERIFY(!entry(core->tray(), QStringLiteral("&Postpone the update"))->isEnabled());
        // The remind-later entries count down to the upgrade's date, not the update's.
        QCOMPARE(entry(core->tray(), QStringLiteral("Not to remind"))->data().toInt(), 63);
        QVERIFY(entry(core->tray(), QStringLiteral("Disable notifications"))->isEnabled());
    }

    void rebootOnlyFromOkWithTheTick()
    {
        service.values[state] = 5;
        auto core = makeCore();
        core->serviceClient().poll();
        emit icon(*core)->activated(QSystemTrayIcon::Context); // the menu, not the window
        QVERIFY(!core->infoDialog());
        emit icon(*core)->activated(QSystemTrayIcon::Trigger);
        UpdateInfoDialog* dialog = core->infoDialog();
        dialog->findChild<QCheckBox*>(QStringLiteral("rebootNowChB"))->setChecked(true);
        dialog->reject();
        QCOMPARE(desktop.reboots, 0);
        emit icon(*core)->activated(QSystemTrayIcon::Trigger);
        QCOMPARE(core->infoDialog(), dialog); // the same window again
        dialog->accept();
        QCOMPARE(desktop.reboots, 1);
        desktop.rebootWorks = false;
        core->showInfoDialog();
        dialog->accept();
        QCOMPARE(core->notifications().errorText(),
            QStringLiteral("The computer could not be restarted. Please restart it yourself."));
    }

    // The service may withdraw the update after "Update on reboot": the window must not wait for good.
    void withdrawnUpdateEndsTheWait()
    {
        service.values[state] = 4;
        auto core = makeCore();
        core->serviceClient().poll();
        entry(core->tray(), QStringLiteral("&Update on reboot"))->trigger();
        QVERIFY(service.calls.contains(QStringLiteral("enableUpgradeOnReboot")));
        core->showInfoDialog();
        auto* text = core->infoDialog()->findChild<QLabel*>(QStringLiteral("shortInfoLabel"));
        QCOMPARE(text->text(), QStringLiteral("Please, wait..."));
        service.values[state] = 0;
        core->serviceClient().poll();
        core->showInfoDialog();
        QVERIFY(text->text().endsWith(QLatin1String("No available updates detected")));
    }
};

ZIB_UNIT_MAIN(CoreTest)
#include "tst_core.moc"
