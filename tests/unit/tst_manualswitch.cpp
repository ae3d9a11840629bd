// Switching the update on the next reboot on and off: which entry point acts in which state, and how
// each request is followed up.
#include "Fakes.h"
#include "ManualSwitch.h"
#include "Notifications.h"
#include "ServiceClient.h"
#include "State.h"
#include "Tray.h"
#include "UnitMain.h"
#include "UpgradeFiles.h"
#include "UpgradeTool.h"

#include <QAction>
#include <QDir>
#include <QSignalSpy>

namespace {
const QString enable = QStringLiteral("enableUpgradeOnReboot");
const QString disable = QStringLiteral("disableUpgradeOnReboot");
} // namespace

class ManualSwitchTest : public QObject
{
    Q_OBJECT

    FakeUpdateService service;
    FakePresence presence;
    FakePackages packages;
    FakeDesktop desktop;
    std::unique_ptr<QObject> owner;
    ServiceClient* client = nullptr;
    Notifications* notifications = nullptr;
    Tray* tray = nullptr;
    ManualSwitch* manual = nullptr;

    QAction* stateEntry() const { return menuEntry(tray->menu(), QStringLiteral("entry")); }
    QTimer* earlyPoll() const { return manual->findChild<QTimer*>(QStringLiteral("earlyPollTimer")); }

private Q_SLOTS:
    void init()
    {
        service = FakeUpdateService();
        desktop = FakeDesktop();
        owner = std::make_unique<QObject>();
        client = new ServiceClient(service, presence, owner.get());
        notifications = new Notifications(owner.get());
        tray = new Tray(false, desktop, owner.get());
        auto* tool = new UpgradeTool(packages, owner.get());
        auto* files = new UpgradeFiles(*client, owner.get());
        manual = new ManualSwitch({*client, desktop, *notifications, *tray, *tool, *files}, owner.get());
        client->start();
        tray->setStateEntry({true, QStringLiteral("entry"), std::nullopt});
    }

    // Which call each entry point makes in each state: E enable, D disable, U upgrade on, P upgrade off.
    void dispatch_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("byState"); // the call made in states 0..7
        QTest::newRow("menu") << "menu"
                              << "-ED---UP";
        QTest::newRow("window, enable") << "enable"
                                        << "-E----U-";
        QTest::newRow("window, disable") << "disable"
                                         << "--D----P";
        QTest::newRow("notification") << "action"
                                      << "-E----U-";
    }
    void dispatch()
    {
        QFETCH(QString, entry);
        QFETCH(QString, byState);
        notifications->showState(UpdateReady, {}); // a popup with the update actions
        for (int state = 0; state < 8; ++state) {
            service.calls.clear();
            desktop.upgradeSwitches.clear();
            const QHash<QString, void (ManualSwitch::*)(int)> entries {
                {QStringLiteral("menu"), &ManualSwitch::onMenuEntry},
                {QStringLiteral("enable"), &ManualSwitch::onEnableRequest},
                {QStringLiteral("disable"), &ManualSwitch::onDisableRequest},
                {QStringLiteral("action"), &ManualSwitch::onUpdateOnRebootAction}};
            (manual->*entries.value(entry))(state);
            QString made = service.calls.contains(enable) ? QStringLiteral("E")
                : service.calls.contains(disable)         ? QStringLiteral("D")
                                                          : QStringLiteral("-");
            if (!desktop.upgradeSwitches.isEmpty()) {
                made = desktop.upgradeSwitches.constFirst() ? QStringLiteral("U") : QStringLiteral("P");
            }
            QCOMPARE(made, byState.mid(state, 1));
        }
    }

    void actionAfterTheStateMovedOn()
    {
        notifications->showState(UpdateSet, {}); // the shown popup no longer carries the actions
        manual->onUpdateOnRebootAction(UpdateReady);
        QVERIFY(service.calls.isEmpty());
    }

    void enableThenEarlyPoll_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("delay");
        QTest::newRow("accepted") << 0 << 5000;
        QTest::newRow("preparing") << -5 << 30000;
    }
    void enableThenEarlyPoll()
    {
        QFETCH(int, answer);
        service.values[enable] = answer;
        QSignalSpy refresh(manual, &ManualSwitch::dialogRefresh);
        manual->onMenuEntry(UpdateReady);
        QVERIFY(manual->inProgress());
        QVERIFY(!stateEntry()->isEnabled());
        QVERIFY(earlyPoll()->isActive());
        QTEST(earlyPoll()->interval(), "delay");
        QCOMPARE(refresh.size(), answer == -5 ? 1 : 0); // the in-progress view at once
        manual->settle();
        QVERIFY(!manual->inProgress());
    }

    void refusedPostponementLocks()
    {
        service.values[disable] = 99;
        manual->onMenuEntry(UpdateSet);
        QVERIFY(manual->isUpdateLocked());
        QVERIFY(!stateEntry()->isEnabled());
        QVERIFY(!earlyPoll()->isActive());
        service.values[disable] = 0;
        manual->onMenuEntry(UpdateSet);
        QVERIFY(manual->isUpdateLocked()); // for good
        QVERIFY(!earlyPoll()->isActive());
    }

    void failedCallHasNoEarlyPoll()
    {
        service.script[enable] = {QVariant()};
        QSignalSpy failed(client, &ServiceClient::callFailed);
        manual->onEnableRequest(UpdateReady);
        QCOMPARE(failed.size(), 1);
        QVERIFY(!earlyPoll()->isActive());
        QVERIFY(stateEntry()->isEnabled());
        QVERIFY(manual->inProgress()); // until a poll answers
    }

    void upgradeSwitchAndItsOutcomes()
    {
        manual->onMenuEntry(UpgradeReady);
        QCOMPARE(desktop.upgradeSwitches, QList<bool> {true});
        QVERIFY(manual->inProgress());
        desktop.upgradeDone(std::nullopt);
        QVERIFY(!manual->inProgress());

        manual->onDisableRequest(UpgradeSet);
        desktop.upgradeDone(QStringLiteral("Access denied"));
        QVERIFY(!manual->inProgress());
        QCOMPARE(
            notifications->errorText(), QStringLiteral("Upgrade state not changed due D-Bus error:\nAccess denied"));
    }

    void forcedUpgradeIsNotPutOff()
    {
        const QString report = QStringLiteral("/var/cache/tarno-upgrade/upgrade.report.yaml");
        QVERIFY(writeSysFile(report, "upgrade_mode: forced\n"));
        owner->findChild<UpgradeFiles*>()->check();
        manual->onMenuEntry(UpgradeSet);
        QVERIFY(desktop.upgradeSwitches.isEmpty());
        QVERIFY(!stateEntry()->isEnabled());
        QVERIFY(!manual->inProgress());
        QFile::remove(SysRoot::path(report));
    }
};

ZIB_UNIT_MAIN(ManualSwitchTest)
#include "tst_manualswitch.moc"
