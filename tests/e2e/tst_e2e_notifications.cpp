// The "System update" notifications as a notification server receives them, the default action, and the
// silence that a postponement from the tray menu buys.
#include "E2eTest.h"
#include "FakeDpkg.h"
#include "Poll.h"
#include "SettingsFile.h"
#include "TestMain.h"
#include "TrayItem.h"

#include <QDateTime>
#include <QJsonArray>

#include <csignal>

namespace {
const QString infoTitle = QStringLiteral("System update");

QString serviceDate(int daysAhead)
{
    return QDateTime(QDate::currentDate().addDays(daysAhead), QTime(12, 0))
        .toString(QStringLiteral("hh:mm dd.MM.yyyy"));
}

QStringList actionsOf(const QJsonObject& notify)
{
    QStringList actions;
    const QJsonArray array = notify.value(QLatin1String("actions")).toArray();
    for (const QJsonValue& value : array) {
        actions.append(value.toString());
    }
    return actions;
}

int urgencyOf(const QJsonObject& notify)
{
    return notify.value(QLatin1String("hints")).toObject().value(QLatin1String("urgency")).toInt(-1);
}

QString eventIdOf(const QJsonObject& notify)
{
    return notify.value(QLatin1String("hints")).toObject().value(QLatin1String("x-kde-eventId")).toString();
}
} // namespace

class E2eNotificationsTest : public E2eTest
{
    Q_OBJECT

private:
    // The first Notify of this run. A process's first one waits for the server's capabilities.
    QJsonObject waitForNotify()
    {
        QList<QJsonObject> notifies;
        Poll::until(
            [&] {
                notifies = m_desktop->recorder().calls(QStringLiteral("Notify"));
                return !notifies.isEmpty();
            },
            startMs);
        return notifies.value(0);
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(FakeDpkg::set(FakeDpkg::Mode::Removed)); }
    void cleanup() { finishTest(); }

    void updateReady()
    {
        QVERIFY(startDesktop(DesktopSession::Tray::Watcher, true));
        QVERIFY(startSimulator({QStringLiteral("--state"), QStringLiteral("4"), QStringLiteral("--date"),
            serviceDate(3), QStringLiteral("--version"), QStringLiteral("3.1.19")}));
        m_desktop->startNotifier();

        const QJsonObject notify = waitForNotify();
        QVERIFY2(!notify.isEmpty(), "no notification");
        QCOMPARE(notify.value(QLatin1String("summary")).toString(), QStringLiteral("System update"));
        QCOMPARE(notify.value(QLatin1String("body")).toString(), QStringLiteral("New system update is available"));
        QCOMPARE(actionsOf(notify),
            QStringList({QStringLiteral("default"), QStringLiteral("Show more"), QStringLiteral("1"),
                QStringLiteral("Update on reboot"), QStringLiteral("2"), QStringLiteral("To postpone")}));
        QCOMPARE(urgencyOf(notify), 1);
        QCOMPARE(notify.value(QLatin1String("expire_timeout")).toInt(), 0);
        QCOMPARE(eventIdOf(notify), QStringLiteral("updateready"));
        QCOMPARE(m_desktop->recorder().calls(QStringLiteral("Notify")).size(), 1);

        // "Show more", the default action, opens the information window.
        QVERIFY(m_desktop->windows().find(infoTitle).isEmpty());
        QVERIFY(m_desktop->recorder().invokeAction(
            uint(notify.value(QLatin1String("id")).toInt()), QStringLiteral("default")));
        QVERIFY2(m_desktop->windows().waitFor(infoTitle, startMs), "the default action opened nothing");
    }

    void serviceUnreachable()
    {
        QVERIFY(startDesktop(DesktopSession::Tray::Watcher, true));
        // No simulator. This is the process's first notification, raised while the core is being built.
        m_desktop->startNotifier();

        const QJsonObject notify = waitForNotify();
        QVERIFY2(!notify.isEmpty(), "no notification");
        QCOMPARE(notify.value(QLatin1String("summary")).toString(), QStringLiteral("System update"));
        QCOMPARE(notify.value(QLatin1String("body")).toString(),
            QStringLiteral("Unable to connect to the service tarno-update-service"));
        QCOMPARE(actionsOf(notify), QStringList({QStringLiteral("default"), QStringLiteral("Show more")}));
        QCOMPARE(urgencyOf(notify), 2);
        QCOMPARE(notify.value(QLatin1String("expire_timeout")).toInt(), -1);
        QCOMPARE(eventIdOf(notify), QStringLiteral("initerror"));
    }

    void updateSet_data()
    {
        QTest::addColumn<int>("days");
        QTest::addColumn<int>("urgency");
        QTest::addColumn<int>("expireTimeout");
        // Still postponable: polite and closing by itself; due: critical and staying.
        QTest::newRow("due in three days") << 3 << 1 << -1;
        QTest::newRow("due yesterday") << -1 << 2 << 0;
    }

    void updateSet()
    {
        QFETCH(int, days);
        QFETCH(int, urgency);
        QFETCH(int, expireTimeout);
        QVERIFY(startDesktop(DesktopSession::Tray::Watcher, true));
        QVERIFY(startSimulator(
            {QStringLiteral("--state"), QStringLiteral("5"), QStringLiteral("--date"), serviceDate(days)}));
        m_desktop->startNotifier();

        const QJsonObject notify = waitForNotify();
        QVERIFY2(!notify.isEmpty(), "no notification");
        QCOMPARE(notify.value(QLatin1String("summary")).toString(), QStringLiteral("System update"));
        QCOMPARE(notify.value(QLatin1String("body")).toString(),
            QStringLiteral("The system will be updated on the next reboot"));
        QCOMPARE(actionsOf(notify), QStringList({QStringLiteral("default"), QStringLiteral("Show more")}));
        QCOMPARE(urgencyOf(notify), urgency);
        QCOMPARE(notify.value(QLatin1String("expire_timeout")).toInt(), expireTimeout);
        QCOMPARE(eventIdOf(notify), QStringLiteral("updateset"));
    }

    void postponementSilencesStateChange()
    {
        QVERIFY(startDesktop(DesktopSession::Tray::Watcher, true));
        SimulatorProcess* simulator = startSimulator({QStringLiteral("--state"), QStringLiteral("4"),
            QStringLiteral("--date"), serviceDate(3), QStringLiteral("--version"), QStringLiteral("3.1.19")});
        QVERIFY(simulator);
        // The icon stays while reminders are postponed, so that the state can still be read from it.
        QVERIFY(SettingsFile::write("[%General]\nhideTrayDeferred=false\n"));

        NotifierProcess* first = m_desktop->startNotifier();
        const QJsonObject ready = waitForNotify();
        QVERIFY2(!ready.isEmpty(), "no notification of the update");
        const TrayItem firstTray(first->pid());
        QVERIFY(firstTray.waitForRegistered(startMs));
        const std::optional<TrayItem::MenuEntry> remind = firstTray.findEntry(QStringLiteral("Disable notifications"));
        QVERIFY(remind);
        QVERIFY(remind->enabled);
        const std::optional<TrayItem::MenuEntry> hour = firstTray.findEntry(QStringLiteral("in 1 hour"));
        QVERIFY(hour);
        QVERIFY(firstTray.click(hour->id));

        // The postponement is stored, and the shown notification goes.
        QVERIFY(Poll::until([] { return SettingsFile::read().contains("skipNotificationDelay=3600"); }, startMs));
        QVERIFY(Poll::until(
            [&] {
                const QList<QJsonObject> closes = m_desktop->recorder().calls(QStringLiteral("CloseNotification"));
                return !closes.isEmpty() &&
                    closes.constLast().value(QLatin1String("id")) == ready.value(QLatin1String("id"));
            },
            startMs));

        // The next change of state comes with the next poll; a restart brings that poll within 3 s and
        // also shows that the postponement outlives the process.
        QVERIFY(first->sendSignal(SIGTERM));
        QVERIFY(first->waitForExit(startMs));
        QVERIFY(m_desktop->recorder().clear());
        QVERIFY(simulator->setState(5));

        NotifierProcess* second = m_desktop->startNotifier();
        const TrayItem tray(second->pid());
        QTRY_COMPARE_WITH_TIMEOUT(
            tray.toolTipTitle(), QStringLiteral("The system will be updated on the next reboot"), startMs);
        // Nothing announces that no notification is coming. A fresh process asks the server for its
        // capabilities on its first attempt, while handling the poll that changed the tooltip: give that
        // call, or a Notify, time to arrive.
        QTest::qWait(1500);
        QCOMPARE(m_desktop->recorder().log(), QJsonArray());
    }
};

ZIB_TEST_MAIN(E2eNotificationsTest)
#include "tst_e2e_notifications.moc"
