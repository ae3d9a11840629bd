// The service client against a scripted service: what a poll asks, in which order, and what each
// failure leads to. Nothing here waits: the fake answers at once or when released.
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

    FakeUpdateService service;
    FakePresence presence;
    std::unique_ptr<ServiceClient> client;

    QTimer* timer(const char* name) const { return client->findChild<QTimer*>(QLatin1String(name)); }

private Q_SLOTS:
    void init()
    {
        service = FakeUpdateService();
        presence.active = true;
        client = std::make_unique<ServiceClient>(service, presence, nullptr);
    }

    void pollAsksInOrder_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("none") << 0 << QStringList {error, state};
        QTest::newRow("ready") << 4 << QStringList {error, state, date, version};
        QTest::newRow("set") << 6 << QStringList {error, state, date, version};
        QTest::newRow("outside") << -2 << QStringList {error, state};
        QTest::newRow("unknown") << 7 << QStringList {error, state};
    }
    void pollAsksInOrder()
    {
        QFETCH(int, answer);
        service.values[state] = answer;
        service.values[date] = QStringLiteral("10:00 14.12.2026");
        service.values[version] = QStringLiteral("3.1.19");
        QSignalSpy connected(client.get(), &ServiceClient::connected);
        QSignalSpy polled(client.get(), &ServiceClient::polled);
        client->start();
        QCOMPARE(connected.value(0), QVariantList {true});
        QVERIFY(timer("firstPollTimer")->isActive());
        QCOMPARE(timer("firstPollTimer")->interval(), 3000);
        QCOMPARE(timer("pollTimer")->interval(), 30000);
        client->poll();
        QTEST(service.calls, "calls");
        QCOMPARE(polled.value(0).value(0).toInt(), answer);
        if (answer == 4 || answer == 6) {
            QCOMPARE(client->updateDate(), QDateTime(QDate(2026, 12, 14), QTime(10, 0)));
            QCOMPARE(client->updateVersion(), QStringLiteral("3.1.19"));
        }
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
        QVERIFY(!client->updateDate().isValid());
    }

    void errorCodeIsReadEveryPoll()
    {
        QSignalSpy checked(client.get(), &ServiceClient::errorChecked);
        client->start();
        service.script[error] = {2, -5, QVariant()};
        client->poll();
        client->poll();
        client->poll();
        QCOMPARE(checked.size(), 3);
        QCOMPARE(checked[0], (QVariantList {2, true}));
        QCOMPARE(checked[1], (QVariantList {0, true}));
        QCOMPARE(checked[2], (QVariantList {0, false})); // a failed query keeps the last code
    }

    void unreachableServiceIsRetriedEvery30s()
    {
        presence.active = false;
        QSignalSpy unreachable(client.get(), &ServiceClient::unreachable);
        client->start();
        QCOMPARE(unreachable.size(), 1);
        QVERIFY(!client->isConnected());
        QVERIFY(timer("retryTimer")->isActive());
        QCOMPARE(timer("retryTimer")->interval(), 30000);
        client->poll(); // only the version is re-read meanwhile
        presence.active = true;
        service.values[QStringLiteral("reachable")] = false; // process up, name not yet on the bus
        client->reconnect();
        QCOMPARE(unreachable.size(), 2);
        QVERIFY(service.calls.isEmpty());
    }

    // A failed call shows the failure, reconnects before the next call goes out, and the poll goes on
    // with the answer it has.
    void failureMidPollReconnectsAndGoesOn()
    {
        service.values[state] = 4;
        client->start();
        QSignalSpy failed(client.get(), &ServiceClient::callFailed);
        QSignalSpy connected(client.get(), &ServiceClient::connected);
        QSignalSpy polled(client.get(), &ServiceClient::polled);
        timer("firstPollTimer")->stop();
        service.script[date] = {QVariant()};
        client->poll();
        QCOMPARE(failed.size(), 1);
        QCOMPARE(connected.value(0), QVariantList {false}); // not a first connection
        QCOMPARE(service.calls, (QStringList {error, state, date, version}));
        QCOMPARE(polled.value(0), (QVariantList {4, false}));
        // The answer after a reconnection comes from a poll 3 s later, not from the connection.
        QVERIFY(timer("firstPollTimer")->isActive());
    }

    void failedReconnectionKeepsRetrying()
    {
        client->start();
        service.script[error] = {QVariant()};
        service.values[QStringLiteral("reachable")] = false;
        QSignalSpy polled(client.get(), &ServiceClient::polled);
        client->poll();
        // The state is still asked; its failure reconnects once more, in vain.
        QCOMPARE(service.calls, (QStringList {error, state}));
        QVERIFY(!client->isConnected());
        QVERIFY(timer("retryTimer")->isActive());
        QVERIFY(polled.isEmpty());
    }

    void pendingCallsQueueRequests()
    {
        client->start();
        service.hold = true;
        client->poll();
        client->poll(); // still running: not started twice
        client->removeResultStamp(1);
        QCOMPARE(service.calls, QStringList {error});
        service.release();
        QCOMPARE(service.calls, (QStringList {error, state, QStringLiteral("removeUpgradeResultStamp")}));
        client->poll();
        client.reset();
        service.release(); // answers for a client that is gone are dropped
    }

    void requestsWhileDisconnectedAreSkipped()
    {
        presence.active = false;
        client->start();
        int answers = 0;
        client->enableOnReboot([&](std::optional<int> reply) { answers += reply ? 10 : 1; });
        client->enterOutsideState([&](bool entered) { answers += entered ? 10 : 1; });
        QCOMPARE(answers, 2);
        QVERIFY(service.calls.isEmpty());
    }
};

ZIB_UNIT_MAIN(ServiceClientTest)
#include "tst_serviceclient.moc"
