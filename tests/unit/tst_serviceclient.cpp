// The service client against a scripted service: what a poll asks, in which order, how each failure is
// told apart, and what it leads to. Nothing here waits: the fake answers at once or when released.
#include "Fakes.h"
#include "ServiceClient.h"
#include "UnitMain.h"

#include <QSignalSpy>

namespace {
const QString error = QStringLiteral("getCurrentErrorAsInt");
const QString state = QStringLiteral("getCurrentStateAsInt");
const QString date = QStringLiteral("getUpdateDateAsString");
const QString version = QStringLiteral("getMinorUpdateVersion");
} // namespace

class ServiceClientTest : public QObject
{
    Q_OBJECT

    FakeClock clock;
    FakeUpdateService service;
    FakePresence presence;
    std::unique_ptr<ServiceClient> client;

private Q_SLOTS:
    void init()
    {
        client.reset();
        clock = FakeClock();
        service = FakeUpdateService();
        presence = FakePresence();
        client = std::make_unique<ServiceClient>(service, presence, clock, nullptr);
    }

    void pollAsksInOrder_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<int>("decoded");
        QTest::newRow("none") << 0 << QStringList {error, state} << int(ServiceState::Nothing);
        QTest::newRow("ready") << 4 << QStringList {error, state, date, version} << int(ServiceState::Ready);
        QTest::newRow("set") << 6 << QStringList {error, state, date, version} << int(ServiceState::Set);
        QTest::newRow("outside") << -2 << QStringList {error, state} << int(ServiceState::Outside);
        QTest::newRow("unknown") << 7 << QStringList {error, state} << int(ServiceState::Ignored);
    }
    void pollAsksInOrder()
    {
        QFETCH(int, answer);
        service.values[state] = answer;
        service.values[date] = QStringLiteral("10:00 14.12.2026");
        service.values[version] = QStringLiteral("3.1.19");
        QSignalSpy polled(client.get(), &ServiceClient::polled);
        client->start();
        clock.advance(2);
        QVERIFY(service.calls.isEmpty());
        clock.advance(1); // the first poll, 3 s after start
        QTEST(service.calls, "calls");
        QTEST(int(polled.value(0).value(0).value<ServiceState>()), "decoded");
        if (answer == 4 || answer == 6) {
            QCOMPARE(client->updateDate(), QDateTime(QDate(2026, 12, 14), QTime(10, 0)));
            QCOMPARE(client->updateVersion(), QStringLiteral("3.1.19"));
        }
        clock.advance(27);
        QCOMPARE(polled.size(), 2); // and every 30 s
    }

    void dateChangeIsReportedOnce()
    {
        service.values[state] = 4;
        service.values[date] = QStringLiteral("10:00 14.12.2026");
        QSignalSpy polled(client.get(), &ServiceClient::polled);
        client->start();
        client->poll();
        client->poll();
        service.values[date] = QStringLiteral("garbage");
        client->poll();
        client->poll();
        QCOMPARE(polled.size(), 4);
        QCOMPARE(polled[0][1].toBool(), true);
        QCOMPARE(polled[1][1].toBool(), false);
        QCOMPARE(polled[2][1].toBool(), true); // to invalid
        QCOMPARE(polled[3][1].toBool(), false); // invalid twice is no change
    }

    // A failed call is told apart: a service still there answered wrongly (a new connection before the
    // next call, and the poll goes on); one that is gone is unreachable, and the poll ends there.
    void failedCallsAreToldApart_data()
    {
        QTest::addColumn<bool>("nameOwned");
        QTest::addColumn<bool>("processRuns");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("still there") << true << true << QStringList {error, state, date, version};
        QTest::newRow("name without owner") << false << true << QStringList {error, state, date};
        QTest::newRow("process gone") << true << false << QStringList {error, state, date};
    }
    void failedCallsAreToldApart()
    {
        QFETCH(bool, nameOwned);
        QFETCH(bool, processRuns);
        service.values[state] = 4;
        client->start();
        QSignalSpy failed(client.get(), &ServiceClient::callFailed);
        QSignalSpy unreachable(client.get(), &ServiceClient::unreachable);
        QSignalSpy connected(client.get(), &ServiceClient::connected);
        QSignalSpy polled(client.get(), &ServiceClient::polled);
        service.script[date] = {QVariant()};
        service.script[QStringLiteral("reachable")] = {nameOwned};
        presence.active = processRuns;
        client->poll();
        QTEST(service.calls, "calls");
        const bool there = nameOwned && processRuns;
        QCOMPARE(failed.size(), there ? 1 : 0);
        QCOMPARE(unreachable.size(), there ? 0 : 1);
        QCOMPARE(client->isConnected(), there);
        QCOMPARE(connected.value(0), there ? QVariantList {false} : QVariantList()); // not a first connection
        QCOMPARE(polled.size(), there ? 1 : 0);
        if (!there) { // the next attempt comes 30 s later
            service.values[QStringLiteral("reachable")] = false;
            clock.advance(29);
            QCOMPARE(unreachable.size(), 1);
            clock.advance(1);
            QCOMPARE(unreachable.size(), 2);
        }
    }

    void pendingCallsQueueRequests()
    {
        client->start();
        service.hold = true;
        client->poll();
        client->poll(); // still running: not started twice
        client->removeResultStamp(ResultStamp::UpdateSuccess);
        QCOMPARE(service.calls, QStringList {error});
        service.release();
        QCOMPARE(service.calls, (QStringList {error, state, QStringLiteral("removeUpgradeResultStamp 1")}));
        client->poll();
        client.reset();
        service.release(); // answers for a client that is gone are dropped
    }
};

ZIB_UNIT_MAIN(ServiceClientTest)
#include "tst_serviceclient.moc"
