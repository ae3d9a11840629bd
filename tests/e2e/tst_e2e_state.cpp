// The update state as the desktop shows it: tooltip, icon name and menu of the exported tray item,
// driven by the update-service simulator on the private system bus.
#include "E2eTest.h"
#include "FakeDpkg.h"
#include "Poll.h"
#include "SettingsFile.h"
#include "TestMain.h"
#include "TrayItem.h"

#include <QDateTime>

namespace {
QString serviceDate(const QDateTime& date)
{
    return date.toString(QStringLiteral("hh:mm dd.MM.yyyy"));
}

QDateTime daysAhead(int days)
{
    return QDateTime(QDate::currentDate().addDays(days), QTime(12, 0));
}

QStringList visibleLabels(const TrayItem::MenuEntry& menu)
{
    QStringList labels;
    for (const TrayItem::MenuEntry& entry : menu.children) {
        if (entry.visible) {
            labels.append(entry.label);
        }
    }
    return labels;
}
} // namespace

class E2eStateTest : public E2eTest
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(FakeDpkg::set(FakeDpkg::Mode::Removed)); }
    void cleanup() { finishTest(); }

    void updateReadyAtFirstPoll()
    {
        QVERIFY(startDesktop(DesktopSession::Tray::Watcher));
        SimulatorProcess* simulator = startSimulator({QStringLiteral("--state"), QStringLiteral("0")});
        QVERIFY(simulator);
        NotifierProcess* notifier = m_desktop->startNotifier();
        const TrayItem tray(notifier->pid());

        // Well before the first poll, 3 s after the start.
        QVERIFY(simulator->setUpdateDate(serviceDate(daysAhead(3))));
        QVERIFY(simulator->setVersion(QStringLiteral("3.1.19")));
        QVERIFY(simulator->setState(4));

        QTRY_COMPARE_WITH_TIMEOUT(tray.toolTipTitle(), QStringLiteral("New system update is available"), startMs);
        // The next poll is 30 s away: this was the first one.
        QCOMPARE(simulator->callCount(QStringLiteral("getCurrentStateAsInt")), 1);
        // Found as a theme icon among the installed ones, not as the embedded fallback.
        QCOMPARE(tray.iconName(), QStringLiteral("updates-available"));

        const std::optional<TrayItem::MenuEntry> stateEntry = tray.findEntry(QStringLiteral("_Update on reboot"));
        QVERIFY2(stateEntry, "no \"Update on reboot\" entry");
        QVERIFY(stateEntry->enabled);
        QVERIFY(!tray.findEntry(QStringLiteral("_No updates")));

        // Due in three days: a week is too long, and "not to remind" is offered.
        const std::optional<TrayItem::MenuEntry> remind = tray.findEntry(QStringLiteral("Disable notifications"));
        QVERIFY(remind);
        QVERIFY(remind->enabled);
        QCOMPARE(visibleLabels(*remind),
            QStringList({QStringLiteral("in 1 hour"), QStringLiteral("for 1 day"), QStringLiteral("for 2 days"),
                QStringLiteral("Not to remind")}));
    }

    void updateSet_data()
    {
        QTest::addColumn<int>("days");
        QTest::addColumn<bool>("postponable");
        QTest::newRow("due in ten days") << 10 << true;
        QTest::newRow("due yesterday") << -1 << false;
    }

    void updateSet()
    {
        QFETCH(int, days);
        QFETCH(bool, postponable);
        QVERIFY(startDesktop(DesktopSession::Tray::Watcher));
        QVERIFY(startSimulator(
            {QStringLiteral("--state"), QStringLiteral("5"), QStringLiteral("--date"), serviceDate(daysAhead(days))}));
        NotifierProcess* notifier = m_desktop->startNotifier();
        const TrayItem tray(notifier->pid());

        QTRY_COMPARE_WITH_TIMEOUT(
            tray.toolTipTitle(), QStringLiteral("The system will be updated on the next reboot"), startMs);
        QCOMPARE(tray.iconName(), QStringLiteral("updates-after-reboot"));
        const std::optional<TrayItem::MenuEntry> stateEntry = tray.findEntry(QStringLiteral("_Postpone the update"));
        QVERIFY2(stateEntry, "no \"Postpone the update\" entry");
        QCOMPARE(stateEntry->enabled, postponable);
        // A date that has passed leaves nothing to postpone reminders to.
        const std::optional<TrayItem::MenuEntry> remind = tray.findEntry(QStringLiteral("Disable notifications"));
        QVERIFY(remind);
        QCOMPARE(remind->enabled, postponable);
    }

    void noUpdates()
    {
        QVERIFY(startDesktop(DesktopSession::Tray::Watcher));
        SimulatorProcess* simulator = startSimulator({QStringLiteral("--state"), QStringLiteral("0")});
        QVERIFY(simulator);
        // Kept shown, or there would be nothing to look at.
        QVERIFY(SettingsFile::write("[%General]\nhideTray=false\n"));
        NotifierProcess* notifier = m_desktop->startNotifier();
        const TrayItem tray(notifier->pid());
        QVERIFY(tray.waitForRegistered(startMs));
        QVERIFY(Poll::until([&] { return simulator->callCount(QStringLiteral("getCurrentStateAsInt")) > 0; }, startMs));

        QCOMPARE(tray.toolTipTitle(), QStringLiteral("No available updates detected"));
        QCOMPARE(tray.iconName(), QStringLiteral("updates-unavailable"));
        const std::optional<TrayItem::MenuEntry> stateEntry = tray.findEntry(QStringLiteral("_No updates"));
        QVERIFY(stateEntry);
        QVERIFY(!stateEntry->enabled);
        QVERIFY(!tray.findEntry(QStringLiteral("Disable notifications"))->enabled);
    }

    void serviceUnreachable()
    {
        QVERIFY(startDesktop(DesktopSession::Tray::Watcher));
        // No simulator: the service is neither running nor on the bus.
        NotifierProcess* notifier = m_desktop->startNotifier();
        const TrayItem tray(notifier->pid());
        QVERIFY(tray.waitForRegistered(startMs));

        QCOMPARE(tray.toolTipTitle(), QStringLiteral("Unable to connect to the service tarno-update-service"));
        QCOMPARE(tray.iconName(), QStringLiteral("updates-service-error"));
        // The entry keeps its text and is disabled.
        const std::optional<TrayItem::MenuEntry> stateEntry = tray.findEntry(QStringLiteral("_No updates"));
        QVERIFY(stateEntry);
        QVERIFY(!stateEntry->enabled);
        QVERIFY(!tray.findEntry(QStringLiteral("Disable notifications"))->enabled);
    }
};

ZIB_TEST_MAIN(E2eStateTest)
#include "tst_e2e_state.moc"
