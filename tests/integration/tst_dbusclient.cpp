// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

// The real client on a private system bus against the update-service simulator: every call reaches the
// service under its name with its argument and its answer is decoded, a repeated fault is logged once,
// every way the service can fail ends in a clear state, and the event loop keeps running while a reply is late.
#include "../fakes/Fakes.h"
#include "DbusUpdateService.h"
#include "ServiceClient.h"
#include "SimulatorProcess.h"
#include "SystemClock.h"
#include "SystemdService.h"
#include "TestMain.h"
#include "ZibDesktop.h"

#include <QElapsedTimer>
#include <QSignalSpy>

namespace {
// Takes the answer of any call of the client; an invalid QVariant stands for std::nullopt.
struct Answer
{
    std::shared_ptr<std::optional<QVariant>> value = std::make_shared<std::optional<QVariant>>();
    template<typename T>
    operator std::function<void(std::optional<T>)>() const
    {
        return [value = value](std::optional<T> reply) {
            *value = reply ? QVariant(*reply) : QVariant();
        };
    }
    bool wait() const
    {
        return QTest::qWaitFor([this] { return value->has_value(); }, 5000);
    }
};
using Call = std::function<void(UpdateService&, const Answer&)>;

template<typename Operation, typename... Arguments>
Call ask(Operation operation, Arguments... arguments)
{
    return [=](UpdateService& service, const Answer& answer) {
        (service.*operation)(arguments..., answer);
    };
}

} // namespace
Q_DECLARE_METATYPE(Call)

class DbusClientTest : public QObject
{
    Q_OBJECT

    SimulatorProcess simulator;

private Q_SLOTS:
    void init() { QVERIFY(simulator.start()); }
    void cleanup() { simulator.stop(); }

    void faults_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("reconnects"); // the service is still there afterwards; vanish: its name left the bus
        // First: QtDBus keeps an interface's introspection for the whole process, so only the process's first
        // call would show a client that introspects (and so waits for the frozen service).
        QTest::newRow("frozen") << "frozen" << true;
        QTest::newRow("hang") << "hang" << true;
        QTest::newRow("vanish") << "vanish" << false;
    }
    void faults()
    {
        QFETCH(QString, kind);
        QFETCH(bool, reconnects);
        DbusUpdateService service;
        // No systemd on the test bus: the process table decides, and the simulator poses as the service.
        ZibAdmin::SystemdService presence(QStringLiteral("/usr/sbin/tarno-update-service"));
        SystemClock time;
        ServiceClient client(service, presence, time, nullptr);
        QSignalSpy connected(&client, &ServiceClient::connected);
        client.start();
        QVERIFY(connected.wait(5000));
        QVERIFY(kind == QLatin1String("frozen") ? simulator.freeze()
                                                : simulator.script(QStringLiteral("getCurrentStateAsInt"), kind));
        QSignalSpy failed(&client, &ServiceClient::callFailed);
        QSignalSpy unreachable(&client, &ServiceClient::unreachable);
        QTimer ticker; // the event loop must keep running while the answer is late
        int ticks = 0;
        connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
        ticker.start(100);
        QElapsedTimer clock;
        clock.start();
        client.poll();
        // A service still there answered wrongly; one that vanished is told as unreachable only.
        QVERIFY((reconnects ? failed : unreachable).wait(6000));
        QCOMPARE(failed.size(), reconnects ? 1 : 0);
        QVERIFY(ticks >= clock.elapsed() / 100 - 3);
        QTRY_COMPARE_WITH_TIMEOUT((reconnects ? connected : unreachable).size(), reconnects ? 2 : 1, 5000);
        QCOMPARE(client.isConnected(), reconnects);
    }

    // The bus tells the client at once when the service ends and when it comes back, with no call made.
    void endAndReturnAreSeenAtOnce()
    {
        DbusUpdateService service;
        ZibAdmin::SystemdService presence(QStringLiteral("/usr/sbin/tarno-update-service"));
        SystemClock time;
        ServiceClient client(service, presence, time, nullptr);
        QSignalSpy connected(&client, &ServiceClient::connected);
        QSignalSpy unreachable(&client, &ServiceClient::unreachable);
        client.start();
        QVERIFY(connected.wait(5000));
        simulator.stop();
        QVERIFY(unreachable.wait(2000)); // the next attempt would come 30 s later
        QVERIFY(simulator.start());
        QTRY_COMPARE_WITH_TIMEOUT(connected.size(), 2, 2000);
    }

    void everyCallReachesTheService_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<QString>("received"); // as the simulator logs it
        QTest::addColumn<QVariant>("reply"); // the simulator's scripted reply; invalid: a D-Bus error
        QTest::addColumn<QVariant>("decoded"); // invalid: std::nullopt
        const auto row = [](const char* name, const Call& call, const char* received, const QVariant& reply,
                             const QVariant& decoded) {
            QTest::newRow(name) << call << QString::fromLatin1(received) << reply << decoded;
        };
        const QString date = QStringLiteral("10:00 14.12.2026");
        const QString version = QStringLiteral("3.1.19");
        row("state", ask(&UpdateService::currentState), "getCurrentStateAsInt()", 6, 6);
        row("error code", ask(&UpdateService::currentError), "getCurrentErrorAsInt()", 2, 2);
        row("date", ask(&UpdateService::updateDate), "getUpdateDateAsString()", date, date);
        row("version", ask(&UpdateService::updateVersion), "getMinorUpdateVersion()", version, version);
        row("enable", ask(&UpdateService::enableOnReboot), "enableUpgradeOnReboot()", -5, -5);
        row("disable", ask(&UpdateService::disableOnReboot), "disableUpgradeOnReboot()", 99, 99);
        for (const int kind : {0, 1, 2, 3}) {
            row(qPrintable(QStringLiteral("stamp %1").arg(kind)), ask(&UpdateService::removeResultStamp, kind),
                qPrintable(QStringLiteral("removeUpgradeResultStamp(%1)").arg(kind)), 0, 0);
        }
        for (const int state : {3, 7}) { // 3 is what the notifier sends; the argument passes through
            row(qPrintable(QStringLiteral("outside %1").arg(state)), ask(&UpdateService::setStateFromOutside, state),
                qPrintable(QStringLiteral("setStateFromOutside(%1)").arg(state)), 1, 1);
        }
        row("text for a number", ask(&UpdateService::currentState), "getCurrentStateAsInt()", QStringLiteral("4"), {});
        row("number for a text", ask(&UpdateService::updateVersion), "getMinorUpdateVersion()", 3, {});
        row("D-Bus error", ask(&UpdateService::currentError), "getCurrentErrorAsInt()", {}, {});
    }
    void everyCallReachesTheService()
    {
        QFETCH(Call, call);
        QFETCH(QString, received);
        QFETCH(QVariant, reply);
        QFETCH(QVariant, decoded);
        const QString method = received.section(QLatin1Char('('), 0, 0);
        QVERIFY(reply.isValid() ? simulator.script(method, QStringLiteral("value"), reply)
                                : simulator.script(method, QStringLiteral("error")));
        DbusUpdateService service;
        const Answer answer;
        call(service, answer);
        QVERIFY(answer.wait());
        QCOMPARE(**answer.value, decoded);
        QCOMPARE(simulator.callLog(), QStringList {received});
    }

    void repeatedFaultIsLoggedOnceAndItsEnd()
    {
        const QString method = QStringLiteral("getCurrentStateAsInt");
        QVERIFY(simulator.script(method, QStringLiteral("error"), QStringLiteral("org.example.Busy"), 2));
        QVERIFY(simulator.script(method, QStringLiteral("value"), QStringLiteral("four")));
        LogLines log;
        DbusUpdateService service;
        for (int call = 0; call < 5; ++call) {
            const Answer answer;
            service.currentState(answer);
            QVERIFY(answer.wait());
        }
        const QString prefix =
            QStringLiteral("zib.notifier.service: org.tarnolinux.UpdateService.getCurrentStateAsInt ");
        QCOMPARE(log.lines,
            QStringList({prefix + QLatin1String("failed: org.example.Busy: scripted error"),
                prefix +
                    QLatin1String("failed: org.freedesktop.DBus.Error.InvalidSignature: Unexpected reply signature: "
                                  "got \"s\", expected \"i\""),
                prefix + QLatin1String("answers again")}));
    }

    // Overlapping release-upgrade switches at the administration service each get their own outcome,
    // in whatever order the answers come.
    void overlappingUpgradeSwitches()
    {
        QVERIFY(simulator.control(
            QStringLiteral("SetUpgrade"), {QStringLiteral("ready"), QStringLiteral("13"), QString()}));
        const QString method = QStringLiteral("ChangeUpgradeState");
        QVERIFY(simulator.script(method, QStringLiteral("delay"), 300));
        QVERIFY(simulator.script(
            method, QStringLiteral("error"), QStringLiteral("org.freedesktop.DBus.Error.AccessDenied")));
        ZibDesktop desktop;
        QStringList outcomes;
        for (bool enable : {true, false}) {
            desktop.changeUpgradeState(enable, [&outcomes, enable](std::optional<QString> error) {
                outcomes << QString::number(enable) + error.value_or(QStringLiteral("done"));
            });
        }
        QTRY_COMPARE(outcomes, (QStringList {QStringLiteral("0scripted error"), QStringLiteral("1done")}));
        QCOMPARE(
            simulator.callLog(), (QStringList {method + QLatin1String("(true)"), method + QLatin1String("(false)")}));
    }

    // Where systemd is on the bus, it says whether the service runs; else the process table does.
    void presenceAsksSystemd_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("active");
        const auto arguments = [](const char* text) {
            return QString::fromLatin1(text).split(QLatin1Char(' '));
        };
        QTest::newRow("active unit, no such process") << arguments("--no-pose --systemd active") << true;
        QTest::newRow("inactive unit, the process runs") << arguments("--systemd inactive") << false;
    }
    void presenceAsksSystemd()
    {
        QFETCH(QStringList, arguments);
        simulator.stop();
        QVERIFY(simulator.start(arguments));
        ZibAdmin::SystemdService presence(QStringLiteral("/usr/sbin/tarno-update-service"));
        std::optional<bool> active;
        presence.checkActive([&active](bool running) { active = running; });
        QTRY_VERIFY(active.has_value());
        QTEST(*active, "active");
    }
};

ZIB_TEST_MAIN(DbusClientTest)
#include "tst_dbusclient.moc"
