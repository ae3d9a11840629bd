// The real client on a private system bus against the update-service simulator: every way the service
// can fail ends in a clear state, and the event loop keeps running while a reply is late.
#include "Constants.h"
#include "DbusUpdateService.h"
#include "ServiceClient.h"
#include "SimulatorProcess.h"
#include "SystemClock.h"
#include "SystemdService.h"
#include "TestMain.h"

#include <QElapsedTimer>
#include <QSignalSpy>

class DbusClientTest : public QObject
{
    Q_OBJECT

    SimulatorProcess simulator;
    std::unique_ptr<DbusUpdateService> service;
    std::unique_ptr<ZibAdmin::SystemdService> presence;
    SystemClock clock;
    std::unique_ptr<ServiceClient> client;

private Q_SLOTS:
    void init()
    {
        QVERIFY(simulator.start());
        QVERIFY(simulator.setState(4));
        QVERIFY(simulator.setUpdateDate(QStringLiteral("10:00 14.12.2026")));
        QVERIFY(simulator.setVersion(QStringLiteral("3.1.19")));
        service = std::make_unique<DbusUpdateService>();
        // No systemd on the test bus: the process table decides, and the simulator poses as the service.
        presence = std::make_unique<ZibAdmin::SystemdService>(updateServiceExecutable);
        client = std::make_unique<ServiceClient>(*service, *presence, clock, nullptr);
        QSignalSpy connected(client.get(), &ServiceClient::connected);
        client->start();
        QVERIFY(connected.wait(5000));
    }
    void cleanup()
    {
        client.reset();
        simulator.stop();
    }

    void healthyPoll()
    {
        QSignalSpy polled(client.get(), &ServiceClient::polled);
        client->poll();
        QVERIFY(polled.wait(5000));
        QCOMPARE(polled.constFirst(), (QVariantList {4, true}));
        QCOMPARE(client->updateDate(), QDateTime(QDate(2026, 12, 14), QTime(10, 0)));
        QCOMPARE(client->updateVersion(), QStringLiteral("3.1.19"));
        QCOMPARE(simulator.callLog().size(), 4);
    }

    void faults_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("reconnects"); // the service is still there afterwards
        QTest::newRow("wrong type") << "value" << QVariant(QStringLiteral("four")) << true;
        QTest::newRow("D-Bus error") << "error" << QVariant(QStringLiteral("org.example.Failed")) << true;
        QTest::newRow("hang") << "hang" << QVariant() << true;
        QTest::newRow("vanish") << "vanish" << QVariant() << false;
    }
    void faults()
    {
        QFETCH(QString, kind);
        QFETCH(QVariant, value);
        QFETCH(bool, reconnects);
        QVERIFY(simulator.script(QStringLiteral("getCurrentStateAsInt"), kind, value));
        QSignalSpy failed(client.get(), &ServiceClient::callFailed);
        QSignalSpy connected(client.get(), &ServiceClient::connected);
        QSignalSpy unreachable(client.get(), &ServiceClient::unreachable);
        QTimer ticker; // the event loop must keep running while the answer is late
        int ticks = 0;
        connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
        ticker.start(100);
        QElapsedTimer clock;
        clock.start();
        client->poll();
        // A service still there answered wrongly; one that vanished is told as unreachable only.
        QVERIFY(reconnects ? failed.wait(6000) : unreachable.wait(6000));
        QCOMPARE(failed.size(), reconnects ? 1 : 0);
        QVERIFY(ticks >= clock.elapsed() / 100 - 3);
        if (reconnects) {
            QTRY_COMPARE_WITH_TIMEOUT(connected.size(), 1, 5000);
            QVERIFY(client->isConnected());
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(unreachable.size(), 1, 5000);
            QVERIFY(!client->isConnected());
        }
    }

    void nameLeavesTheBus()
    {
        QVERIFY(simulator.setRegistered(false));
        QSignalSpy unreachable(client.get(), &ServiceClient::unreachable);
        client->reconnect();
        QVERIFY(unreachable.wait(5000));
        simulator.clearCallLog();
        client->poll();
        QCOMPARE(simulator.callLog(), QStringList()); // nothing is called meanwhile
        QVERIFY(simulator.setRegistered(true));
        QSignalSpy connected(client.get(), &ServiceClient::connected);
        client->reconnect();
        QVERIFY(connected.wait(5000));
    }
};

ZIB_TEST_MAIN(DbusClientTest)
#include "tst_dbusclient.moc"
