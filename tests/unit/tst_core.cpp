// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

// The notifier assembled from its parts, with the outside world faked: what a user sees in the tray,
// the menu and the popups as the service answers, fails, goes and comes back.
#include "CoreFixture.h"
#include "SettingsDialog.h"
#include "UnitMain.h"

namespace {
const QString error = QStringLiteral("getCurrentErrorAsInt");
const QString date = QStringLiteral("getUpdateDateAsString");
const QString version = QStringLiteral("getMinorUpdateVersion");
} // namespace

class CoreTest : public QObject, CoreFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { reset(); }
    void cleanup() { core.reset(); }

    void startsQuietWithNothingPending()
    {
        LogLines log;
        startWith(0);
        clock.advance(3600); // an idle, healthy hour writes nothing
        QCOMPARE(log.lines, QStringList());
        QVERIFY(!icon()->isVisible()); // hidden by default until something matters
        QVERIFY(popups.shown.isEmpty());
        QVERIFY(!entry(QStringLiteral("&No updates"))->isEnabled());
        QVERIFY(!entry(QStringLiteral("Disable notifications"))->isEnabled());
        Q_EMIT icon()->activated(QSystemTrayIcon::Context); // the menu, not the window
        Q_EMIT icon()->activated(QSystemTrayIcon::MiddleClick);
        QVERIFY(!window<UpdateInfoDialog>());
        QCOMPARE(packages.asked.first(), QStringLiteral("tarno-upgrade"));
        QCOMPARE(packages.asked.size(), 61); // at start, then every minute
    }

    // Every answer of the service, after an update was shown: the tray, the popup and the menu.
    void answersShowTheirState_data()
    {
        QTest::addColumn<QVariant>("answer"); // an int, a string (the wrong type) or nothing (an error)
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<QString>("popup"); // the new popup; empty: none
        QTest::addColumn<QString>("entryText");
        QTest::addColumn<QStringList>("asked"); // the poll's calls, in order
        const QStringList brief {error, state};
        const QStringList full {error, state, date, version};
        QTest::newRow("-3") << QVariant(-3) << available << QString() << "&Update on reboot" << brief;
        QTest::newRow("outside") << QVariant(-2) << available << QString() << "&Update on reboot" << brief;
        QTest::newRow("faulty") << QVariant(-1) << unreachable << faulty << "&Update on reboot" << brief;
        for (int none = 0; none <= 3; ++none) {
            QTest::addRow("%d", none) << QVariant(none) << noUpdates << noUpdates << "&No updates" << brief;
        }
        QTest::newRow("4") << QVariant(4) << available << QString() << "&Update on reboot" << full;
        QTest::newRow("5") << QVariant(5) << onReboot << onReboot << "&Postpone the update" << full;
        QTest::newRow("6") << QVariant(6) << onReboot << onReboot << "&Postpone the update" << full;
        QTest::newRow("7") << QVariant(7) << available << QString() << "&Update on reboot" << brief;
        QTest::newRow("failed") << QVariant() << unreachable << faulty << "&Update on reboot" << brief;
    }
    void answersShowTheirState()
    {
        QFETCH(QVariant, answer);
        QFETCH(QString, popup);
        startWith(4);
        QCOMPARE(popups.texts(), QStringList {available});
        QCOMPARE(popups.shown.constFirst().eventId, QStringLiteral("updateready"));
        service.script[state] = {answer};
        const int before = service.calls.size();
        nextPoll();
        QTEST(QStringList(service.calls.mid(before)), "asked");
        QTEST(toolTip(), "toolTip");
        QTEST(popups.texts().mid(1).join(QLatin1Char('|')), "popup");
        QTEST(icon()->contextMenu()->actions().at(3)->text(), "entryText");
        QVERIFY(icon()->isVisible());
    }

    // While the service is slow to answer, a poll is not started twice and a request waits its turn;
    // answers that come after the notifier has ended are dropped.
    void slowServiceStacksNothing()
    {
        startWith(4);
        service.hold = true;
        nextPoll();
        nextPoll(); // the first is still waiting
        entry(QStringLiteral("&Update on reboot"))->trigger();
        QCOMPARE(service.calls.mid(4), QStringList {error});
        service.release();
        QCOMPARE(
            service.calls.mid(4), (QStringList {error, state, date, version, QStringLiteral("enableUpgradeOnReboot")}));
        nextPoll();
        core.reset();
        service.release();
    }

    // A new due date refreshes the remind-later entries at once.
    void newDateRefreshesTheRemindMenu()
    {
        service.values[date] = QStringLiteral("10:00 14.12.2026");
        startWith(4);
        QCOMPARE(entry(QStringLiteral("Not to remind"))->data().toInt(), 159);
        service.values[date] = QStringLiteral("10:00 10.12.2026");
        nextPoll();
        QCOMPARE(entry(QStringLiteral("Not to remind"))->data().toInt(), 63);
    }

    // The service ends while an update is shown: one popup says so, not a cascade, and its return is
    // seen by the next attempt and shown after the poll that follows. When the bus tells of its name's
    // owner, both are seen at once, with no time passing.
    void serviceThatEndsIsToldOnce_data()
    {
        QTest::addColumn<bool>("nameOwned");
        QTest::addColumn<bool>("told");
        QTest::newRow("name without owner") << false << false;
        QTest::newRow("process gone") << true << false;
        QTest::newRow("owner change told") << false << true;
    }
    void serviceThatEndsIsToldOnce()
    {
        QFETCH(bool, nameOwned);
        QFETCH(bool, told);
        LogLines log;
        startWith(4);
        service.values[QStringLiteral("reachable")] = nameOwned;
        if (nameOwned) {
            service.script[QStringLiteral("getCurrentErrorAsInt")] = {QVariant()};
        }
        presence.active = false;
        told ? service.setOwned(false) : nextPoll();
        QCOMPARE(popups.texts(), (QStringList {available, unreachable}));
        QCOMPARE(toolTip(), unreachable);
        const int asked = service.calls.size();
        const int checked = presence.checks;
        clock.advance(30); // the next attempt: still gone, nothing new, and no call goes out
        QCOMPARE(popups.texts().size(), 2);
        QCOMPARE(service.calls.size(), asked);
        QCOMPARE(presence.checks, checked + int(nameOwned)); // a name without owner needs no process check

        presence.active = true;
        service.values[QStringLiteral("reachable")] = true;
        told ? service.setOwned(true) : nextPoll();
        QCOMPARE(toolTip(), unreachable); // until a poll has asked
        clock.advance(3);
        QCOMPARE(toolTip(), available);
        QCOMPARE(popups.texts().last(), available);
        const int attempts = presence.checks;
        clock.advance(60); // back to the 30-s polls, with no further attempt
        QCOMPARE(presence.checks, attempts);
        // The helpdesk finds one line when the outage began, with why, and one when it ended.
        QCOMPARE(log.lines.size(), 2);
        QVERIFY(log.lines[0].startsWith(QLatin1String("zib.notifier.core: The update service cannot be reached: ")));
        QCOMPARE(log.lines[1], QStringLiteral("zib.notifier.core: The update service is reached again"));
    }

    // What was on its way when the service ended is not shown over the outage: a poll's answer, and a
    // reconnection whose process check was still out.
    void whatWasOnItsWayIsDropped()
    {
        startWith(0);
        service.hold = true;
        answer(4);
        nextPoll();
        service.held.takeFirst()(); // the error code; the state is asked
        service.setOwned(false);
        service.release();
        service.hold = false;
        presence.hold = true;
        const int asked = service.calls.size();
        service.setOwned(true);
        service.setOwned(false);
        presence.release();
        clock.advance(3);
        QCOMPARE(service.calls.size(), asked); // no poll
        QCOMPARE(popups.texts(), QStringList {unreachable});
    }

    // The service's own error codes: each told once while it lasts; a code of none (0 or below) or a failed
    // query in between decides whether the same code is news again.
    void serviceErrorsAreToldOncePerFault()
    {
        service.script[QStringLiteral("getCurrentErrorAsInt")] = {2, 2, QVariant(), 2, -5, 2, 1};
        startWith(0);
        for (int poll = 0; poll < 6; ++poll) {
            nextPoll();
        }
        QCOMPARE(popups.texts(),
            (QStringList {QStringLiteral("There is an error before update"), faulty,
                QStringLiteral("There is an error before update"),
                QStringLiteral("Not enough free space for update")}));
        QCOMPARE(popups.onScreen[1]->urgency, PopupContent::Critical);
    }

    // During do-not-disturb the tray follows the state but no popup goes out, and one of a state left
    // behind closes. When it ends, the state's popup comes once, as it is then, if one fell due meanwhile
    // (a reminder too), and an error if it still lasts.
    void popupsWaitForDoNotDisturb()
    {
        service.script[error] = {2, 0, 1};
        popups.setInhibited(true);
        startWith(4);
        answer(5);
        nextPoll();
        QCOMPARE(toolTip(), onReboot);
        QVERIFY(core->statusReport(false).contains(QStringLiteral("\npopups_held: yes\n")));
        QVERIFY(popups.shown.isEmpty());
        popups.setInhibited(false);
        QCOMPARE(popups.texts(), QStringList {onReboot});
        popups.setInhibited(true);
        popups.setInhibited(false); // nothing fell due
        popups.setInhibited(true);
        nextPoll();
        clock.set(clock.now().addDays(1));
        clock.advance(5);
        QCOMPARE(popups.texts().size(), 1);
        popups.setInhibited(false);
        QCOMPARE(
            popups.texts(), (QStringList {onReboot, QStringLiteral("Not enough free space for update"), onReboot}));
        popups.setInhibited(true);
        answer(4);
        nextPoll();
        QVERIFY(popups.text().isEmpty());
    }

    // "No updates" closes whatever the state popup said before, also when it raises no popup itself.
    void nothingLeftToSayClosesThePopup()
    {
        presence.active = false;
        startWith(0);
        QCOMPARE(popups.text(), unreachable);
        presence.active = true;
        nextPoll(); // the next attempt, then its poll
        clock.advance(3);
        QCOMPARE(toolTip(), noUpdates);
        QVERIFY(popups.text().isEmpty());
    }

    // A faulty reply reconnects at once, and the fault stays shown until the poll 3 s later.
    void faultyReplyReconnectsAndKeepsTheFault()
    {
        startWith(4);
        service.script[state] = {-1};
        nextPoll();
        QCOMPARE(popups.text(), faulty);
        QCOMPARE(toolTip(), unreachable);
        clock.advance(2);
        QCOMPARE(popups.text(), faulty);
        clock.advance(1);
        QCOMPARE(popups.text(), available);
    }

    // systemd may be slow at login: the first poll follows the late connection, not 30 s later.
    void lateFirstConnectionIsPolledSoon()
    {
        presence.hold = true;
        answer(4);
        start();
        clock.advance(5);
        QVERIFY(calls(state).isEmpty());
        presence.release();
        clock.advance(2);
        QVERIFY(calls(state).isEmpty());
        clock.advance(1);
        QCOMPARE(calls(state).size(), 1);
        QCOMPARE(toolTip(), available);
    }

    // With "hide the icon" (the default) an icon with nothing to say hides after the delay, unless a
    // state that matters comes first.
    void iconHidesAfterItsDelayUnlessSomethingComes()
    {
        setSetting("hideTrayDelay", 15000);
        packages.installed = true;
        startWith(4);
        answer(0);
        clock.advance(27); // the poll at 30 s
        clock.advance(14);
        QVERIFY(icon()->isVisible());
        clock.advance(1);
        QVERIFY(!icon()->isVisible());

        answer(4);
        clock.advance(15); // the poll at 60 s shows it again
        answer(0);
        nextPoll(); // 90 s: hides at 105 s, unless...
        QVERIFY(writeSysFile(report, "upgrade_mode: ready\n"));
        clock.advance(10); // ...the upgrade report read at 100 s offers an upgrade
        QCOMPARE(toolTip(), available);
        clock.advance(7);
        QVERIFY(icon()->isVisible());
    }

    void postponingSilencesAndHidesWhenAsked_data()
    {
        QTest::addColumn<bool>("hideDeferred");
        QTest::newRow("hide while postponed") << true;
        QTest::newRow("keep the icon") << false;
    }
    void postponingSilencesAndHidesWhenAsked()
    {
        QFETCH(bool, hideDeferred);
        setSetting("hideTrayDeferred", hideDeferred);
        startWith(4);
        entry(QStringLiteral("for 2 days"))->trigger();
        QCOMPARE(setting("skipNotificationDelay").toLongLong(), 172800);
        QCOMPARE(setting("skipNotificationSince").toDateTime(), clock.now());
        QVERIFY(popups.text().isEmpty());
        QCOMPARE(icon()->isVisible(), !hideDeferred);
        answer(5);
        nextPoll();
        QCOMPARE(toolTip(), onReboot);
        QCOMPARE(icon()->isVisible(), !hideDeferred);
        QVERIFY(popups.text().isEmpty());
        core->showSettings(); // the icon stays while the settings window is open
        QVERIFY(icon()->isVisible());
        nextPoll();
        QVERIFY(icon()->isVisible());
        window<SettingsDialog>()->reject(); // re-applies the state
        QCOMPARE(icon()->isVisible(), !hideDeferred);
        clock.advance(2 * 86400);
        answer(4);
        nextPoll(); // the postponement is over
        QCOMPARE(popups.text(), available);
    }

    void reminderRepeatsOnItsGrid()
    {
        startWith(4);
        popups.close(Popups::Kind::State);
        const QDateTime first = clock.now().addSecs(86400 - 3);
        clock.set(first.addSecs(-8));
        clock.advance(5); // checked every 5 s: not yet
        QVERIFY(popups.text().isEmpty());
        clock.advance(7);
        QCOMPARE(popups.text(), available);
        popups.close(Popups::Kind::State);
        clock.set(clock.now().addSecs(2 * 86400 + 43200)); // the machine slept
        clock.advance(5);
        QCOMPARE(popups.text(), available);
        QCOMPARE(setting("nextNotifyDate").toDateTime(), first.addDays(3));
    }

    // The last reboot's result is told once, when the first connection attempt has ended; the stamp's
    // removal is asked for when its box closes, and only while the service is connected.
    void resultIsToldOnceConnected()
    {
        QVERIFY(writeSysFile(QStringLiteral("/var/cache/tarno-update-service/successful"), QByteArray()));
        QVERIFY(writeSysFile(QStringLiteral("/etc/tarno_version"), "3.1.19\n"));
        startWith(0);
        QCOMPARE(desktop.messages,
            (QList<QStringList> {{QStringLiteral("information"), QStringLiteral("Successfull upgrade"),
                QStringLiteral("The system was upgraded,\ncurrent version is 3.1.19")}}));
        QVERIFY(calls(QStringLiteral("removeUpgradeResultStamp")).isEmpty());
        desktop.closeBox();
        QCOMPARE(calls(QStringLiteral("removeUpgradeResultStamp")),
            QStringList {QStringLiteral("removeUpgradeResultStamp 1")});
        service.script[state] = {QVariant()}; // a reconnection does not tell it again
        nextPoll();
        QCOMPARE(desktop.messages.size(), 1);
    }

    void resultStaysWhenItCannotBeRemoved()
    {
        QVERIFY(writeSysFile(QStringLiteral("/var/cache/tarno-upgrade/upgrade_aborted"), QByteArray()));
        presence.active = false;
        start();
        desktop.closeBox(); // told, but nobody to ask for the removal
        QVERIFY(service.calls.isEmpty());
        presence.active = true;
        start(); // SIGTERM with its box open: closing that box later asks nothing
        core.reset();
        desktop.closeBox();
        QVERIFY(service.calls.isEmpty());
        service.script[QStringLiteral("removeUpgradeResultStamp")] = {QVariant()};
        start();
        desktop.closeBox();
        QCOMPARE(toolTip(), unreachable); // a failed removal shows as a faulty reply
        QCOMPARE(popups.text(), faulty);
    }

    // The release-upgrade tool: found installed, its report read every 10 s and told to the service; a
    // report that goes is followed by a poll 3 s later; a removed tool's files are read no more.
    void upgradeToolComesAndGoes()
    {
        const QDateTime end = clock.now().addDays(3);
        QVERIFY(writeSysFile(report,
            "upgrade_mode: forced\nt_end: " + end.toString(QStringLiteral("hh:mm dd.MM.yyyy")).toUtf8() + "\n"));
        packages.installed = true;
        startWith(0);
        answer(-2);
        clock.advance(7); // 10 s after start
        QCOMPARE(calls(QStringLiteral("setStateFromOutside")), QStringList {QStringLiteral("setStateFromOutside 3")});
        QCOMPARE(toolTip(), onReboot);
        QCOMPARE(popups.onScreen[0]->eventId, QStringLiteral("upgradeset"));
        QVERIFY(!entry(QStringLiteral("&Postpone the update"))->isEnabled());
        // The remind-later entries count down to the upgrade's date.
        QCOMPARE(entry(QStringLiteral("Not to remind"))->data().toInt(), 63);

        QFile::remove(SysRoot::path(report));
        answer(0);
        clock.advance(12);
        QCOMPARE(calls(state).size(), 1);
        clock.advance(1); // 3 s after the pass at 20 s
        QCOMPARE(calls(state).size(), 2);
        QCOMPARE(toolTip(), noUpdates);

        packages.installed = false;
        clock.advance(37); // the package check at 60 s
        QVERIFY(writeSysFile(report, "upgrade_mode: ready\n"));
        clock.advance(30);
        QCOMPARE(toolTip(), noUpdates);
        QCOMPARE(calls(QStringLiteral("setStateFromOutside")).size(), 1);
    }

    // After a reconnection the report is read again.
    void upgradeFilesResumeAfterReconnection()
    {
        QVERIFY(writeSysFile(report, "upgrade_mode: activated\n"));
        packages.installed = true;
        startWith(0);
        answer(-2);
        clock.advance(7);
        QCOMPARE(toolTip(), onReboot);
        service.script[state] = {QVariant()};
        clock.advance(20); // the poll at 30 s fails: reconnection
        QCOMPARE(toolTip(), unreachable);
        QVERIFY(writeSysFile(report, "upgrade_mode: ready\n"));
        clock.advance(10);
        QCOMPARE(toolTip(), available);
    }
};

ZIB_UNIT_MAIN(CoreTest)
#include "tst_core.moc"
