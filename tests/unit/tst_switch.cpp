// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

// Switching the update (or the release upgrade) on the next reboot, as the user does it: the menu's
// state entry, the information window's button, the popup's actions and the reboot tick; asserted on
// the calls that reach the service and the desktop, and on what the user sees next.
#include "CoreFixture.h"
#include "UnitMain.h"

namespace {
const QString enable = QStringLiteral("enableUpgradeOnReboot");
const QString disable = QStringLiteral("disableUpgradeOnReboot");
} // namespace

class SwitchTest : public QObject, CoreFixture
{
    Q_OBJECT

    // An update offered (4) or set (5) by the service, or an upgrade report's mode.
    void reach(const QVariant& what)
    {
        if (what.userType() == QMetaType::Int) {
            startWith(what.toInt());
            return;
        }
        QVERIFY(writeSysFile(report, "upgrade_mode: " + what.toByteArray() + "\nt_end: 10:00 24.12.2026\n"));
        packages.installed = true;
        startWith(0);
        answer(-2);
        clock.advance(7); // the report is read 10 s after start
    }
    // What reached the service and the administration service: the two update calls, and the
    // release-upgrade switch as "upgrade on" or "upgrade off".
    QStringList switches() const
    {
        QStringList made = service.calls.filter(QStringLiteral("UpgradeOnReboot"));
        for (bool on : desktop.upgradeSwitches) {
            made << (on ? QStringLiteral("upgrade on") : QStringLiteral("upgrade off"));
        }
        return made;
    }

private Q_SLOTS:
    void init() { reset(); }
    void cleanup() { core.reset(); }

    void menuEntrySwitches_data()
    {
        QTest::addColumn<QVariant>("state");
        QTest::addColumn<QString>("entryText");
        QTest::addColumn<QString>("made");
        QTest::newRow("update offered") << QVariant(4) << "&Update on reboot" << enable;
        QTest::newRow("update set") << QVariant(5) << "&Postpone the update" << disable;
        QTest::newRow("upgrade offered") << QVariant(QByteArray("ready")) << "&Update on reboot"
                                         << "upgrade on";
        QTest::newRow("upgrade set") << QVariant(QByteArray("activated")) << "&Postpone the update"
                                     << "upgrade off";
    }
    void menuEntrySwitches()
    {
        QFETCH(QVariant, state);
        QFETCH(QString, entryText);
        reach(state);
        QAction* entry = this->entry(entryText);
        QVERIFY(entry->isEnabled());
        entry->trigger();
        QTEST(switches().join(QLatin1Char('|')), "made");
        QVERIFY(!entry->isEnabled()); // until the outcome is known
    }

    // One click, one call, also after the state has moved on under the open window.
    void infoWindowButtonFollowsTheState()
    {
        reach(4);
        UpdateInfoDialog* info = openInfo();
        click(info);
        QCOMPARE(switches(), QStringList {enable});
        answer(5);
        clock.advance(5); // the early poll
        QCOMPARE(infoText(info), onReboot + QLatin1String("\n -> "));
        click(info);
        QCOMPARE(switches(), (QStringList {enable, disable}));
    }

    void earlyPollFollowsTheAnswer_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("delay");
        QTest::newRow("accepted") << 0 << 5;
        QTest::newRow("preparing") << -5 << 30;
    }
    void earlyPollFollowsTheAnswer()
    {
        QFETCH(int, answer);
        QFETCH(int, delay);
        reach(4);
        service.values[enable] = answer;
        UpdateInfoDialog* info = openInfo();
        entry(QStringLiteral("&Update on reboot"))->trigger();
        QCOMPARE(infoText(info) == QLatin1String("Please, wait..."), answer == -5);
        clock.advance(delay - 1);
        QCOMPARE(calls(state).size(), 1 + (delay > 27 ? 1 : 0)); // the 30-s poll may come first
        this->answer(5);
        clock.advance(1);
        QCOMPARE(toolTip(), onReboot);
        QCOMPARE(infoText(info), onReboot + QLatin1String("\n -> "));
    }

    void refusedPostponementLocksTheEntry_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("99") << 99;
        QTest::newRow("89") << 89;
    }
    void refusedPostponementLocksTheEntry()
    {
        reach(5);
        QFETCH(int, answer);
        service.values[disable] = answer;
        entry(QStringLiteral("&Postpone the update"))->trigger();
        clock.advance(10);
        QCOMPARE(calls(state).size(), 1); // no early poll
        nextPoll();
        QVERIFY(!entry(QStringLiteral("&Postpone the update"))->isEnabled()); // it stays as it was
        QCOMPARE(popups.onScreen[0]->urgency, PopupContent::Critical);
        QVERIFY(popups.onScreen[0]->persistent);
    }

    void popupActions()
    {
        reach(4);
        popups.click(Popups::Kind::State, Popups::Action::Default); // "Show more"
        QVERIFY(window<UpdateInfoDialog>()->isVisible());
        popups.click(Popups::Kind::State, Popups::Action::First); // "Update on reboot"
        QCOMPARE(switches(), QStringList {enable});
        QCOMPARE(infoText(window<UpdateInfoDialog>()), QStringLiteral("Please, wait..."));
        answer(5);
        clock.advance(5);
        popups.click(Popups::Kind::State, Popups::Action::First); // the popup of "set" has no such action
        QCOMPARE(switches(), QStringList {enable});
    }

    void rebootNeedsTheTick_data()
    {
        QTest::addColumn<bool>("tick");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("rebootWorks");
        QTest::addColumn<int>("reboots");
        QTest::newRow("OK with the tick") << true << true << true << 1;
        QTest::newRow("OK with the tick, reboot fails") << true << true << false << 1;
        QTest::newRow("OK without the tick") << false << true << true << 0;
        QTest::newRow("Close with the tick") << true << false << true << 0;
    }
    void rebootNeedsTheTick()
    {
        QFETCH(bool, tick);
        QFETCH(bool, ok);
        QFETCH(bool, rebootWorks);
        reach(5);
        desktop.rebootWorks = rebootWorks;
        UpdateInfoDialog* info = openInfo();
        info->findChild<QCheckBox*>(QStringLiteral("rebootNowChB"))->setChecked(tick);
        nextPoll(); // the same state again keeps the tick
        ok ? info->accept() : info->reject();
        QTEST(desktop.reboots, "reboots");
        QCOMPARE(popups.text(Popups::Kind::Error).isEmpty(), rebootWorks || desktop.reboots == 0);
        if (!rebootWorks) {
            QCOMPARE(popups.text(Popups::Kind::Error),
                QStringLiteral("The computer could not be restarted. Please restart it yourself."));
        }
    }

    // While a release-upgrade switch is on its way the report is not read; its outcome is. During
    // do-not-disturb a failure waits, and is told after unless a later switch was made.
    void upgradeSwitchAndItsOutcome()
    {
        reach(QVariant(QByteArray("ready")));
        popups.setInhibited(true);
        entry(QStringLiteral("&Update on reboot"))->trigger();
        desktop.upgradeDone(QStringLiteral("Access denied"));
        entry(QStringLiteral("&Update on reboot"))->trigger();
        QVERIFY(writeSysFile(report, "upgrade_mode: activated\n"));
        clock.advance(20);
        QCOMPARE(toolTip(), available);
        desktop.upgradeDone(std::nullopt);
        QCOMPARE(toolTip(), onReboot);
        popups.setInhibited(false);
        QVERIFY(popups.text(Popups::Kind::Error).isEmpty());

        popups.setInhibited(true);
        entry(QStringLiteral("&Postpone the update"))->trigger();
        desktop.upgradeDone(QStringLiteral("Access denied"));
        QVERIFY(popups.text(Popups::Kind::Error).isEmpty());
        popups.setInhibited(false);
        QCOMPARE(popups.text(Popups::Kind::Error),
            QStringLiteral("Upgrade state not changed due D-Bus error:\nAccess denied"));
        popups.close(Popups::Kind::Error);
        service.script[QStringLiteral("getCurrentErrorAsInt")] = {QVariant()}; // says nothing of this error
        nextPoll();
        entry(QStringLiteral("&Postpone the update"))->trigger();
        desktop.upgradeDone(QStringLiteral("Access denied"));
        QVERIFY(popups.text(Popups::Kind::Error).isEmpty()); // told once while it lasts
    }

    void forcedUpgradeIsNotPutOff()
    {
        reach(QVariant(QByteArray("forced")));
        UpdateInfoDialog* info = openInfo();
        QVERIFY(!info->findChild<QPushButton*>(QStringLiteral("changeStateButton"))->isEnabled());
        QVERIFY(!entry(QStringLiteral("&Postpone the update"))->isEnabled());
        QVERIFY(switches().isEmpty());
    }

    // A request that gets no answer ends the wait: the window tells what is true now.
    void unansweredRequestEndsTheWait()
    {
        reach(4);
        UpdateInfoDialog* info = openInfo();
        service.values[QStringLiteral("reachable")] = false; // the service has gone since the last poll
        click(info);
        QCOMPARE(infoText(info), unreachable);
        QVERIFY(info->isEnabled());
    }

    // The service may withdraw the update after "Update on reboot": the window must not wait for good.
    void withdrawnUpdateEndsTheWait()
    {
        reach(4);
        entry(QStringLiteral("&Update on reboot"))->trigger();
        UpdateInfoDialog* info = openInfo();
        QCOMPARE(infoText(info), QStringLiteral("Please, wait..."));
        answer(0);
        clock.advance(5);
        QVERIFY(infoText(info).endsWith(QLatin1String("No available updates detected")));
    }
};

ZIB_UNIT_MAIN(SwitchTest)
#include "tst_switch.moc"
