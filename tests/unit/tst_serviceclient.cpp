// The client side against the update-service simulator on a private system bus: connection, the poll's
// answer table, reply decoding, and every way a call can fail.
#include "NotificationRecorder.h"
#include "NotifierCoreProbe.h"
#include "SimulatorProcess.h"
#include "TestMain.h"

#include <QDBusInterface>
#include <QElapsedTimer>

#include <memory>

namespace {
const QString dateText = QStringLiteral("10:30 24.12.2030");

int interfacesOf(QObject* core)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return core->findChildren<QDBusInterface*>(QString(), Qt::FindDirectChildrenOnly).size();
}

void fire(QTimer* timer)
{
    QMetaObject::invokeMethod(timer, "timeout");
}
} // namespace

class ServiceClientTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_recorder.start()); }

    void init()
    {
        TestEnvironment::instance().removeSettings();
        QVERIFY(m_sim.start({QStringLiteral("--state"), QStringLiteral("0")}));
        m_core = std::make_unique<NotifierCore>(false, nullptr);
        m_probe = std::make_unique<NotifierCoreProbe>(m_core.get());
        QVERIFY(m_probe->serviceConnected());
        QVERIFY(m_sim.clearCallLog());
        QVERIFY(m_recorder.clear());
    }

    void cleanup()
    {
        m_probe.reset();
        m_core.reset();
        m_sim.stop();
    }

    void connectsAndShowsNoUpdatesUntilThePoll()
    {
        QCOMPARE(m_probe->state(), int(UpdateUnavailable));
        QVERIFY(m_probe->statusTimer()->isActive());
        QVERIFY(!m_probe->reconnectTimer());
        QCOMPARE(m_probe->serviceReply(), -1);
    }

    void nameMissingThenAppearing()
    {
        QVERIFY(m_sim.setRegistered(false));
        m_probe->connectToService();
        QCOMPARE(m_probe->state(), int(InitError));
        QVERIFY(!m_probe->serviceConnected());
        QVERIFY(!m_probe->statusTimer()->isActive());
        QCOMPARE(m_probe->reconnectTimer()->interval(), 30000);
        QVERIFY(m_probe->reconnectTimer()->isActive());

        // Meanwhile nothing is asked of the service.
        m_probe->pollStatus();
        m_probe->removeResultStamp(1);
        m_probe->enterOutsideState();
        QCOMPARE(m_probe->state(), int(InitError));
        QVERIFY(!m_probe->upgradeMode());

        QVERIFY(m_sim.setRegistered(true));
        QVERIFY(m_sim.setState(4));
        fire(m_probe->reconnectTimer());
        QVERIFY(m_probe->serviceConnected());
        QCOMPARE(m_probe->state(), int(UpdateUnavailable));
        QVERIFY(!m_probe->reconnectTimer()->isActive());
        QVERIFY(m_probe->statusTimer()->isActive());
        m_probe->pollStatus();
        QCOMPARE(m_probe->state(), int(UpdateReady));
        QCOMPARE(m_sim.callLog(),
            (QStringList {QStringLiteral("getCurrentErrorAsInt()"), QStringLiteral("getCurrentStateAsInt()"),
                QStringLiteral("getUpdateDateAsString()"), QStringLiteral("getMinorUpdateVersion()")}));
    }

    void answerTable_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("expected");
        QTest::newRow("0") << 0 << int(UpdateUnavailable);
        QTest::newRow("3") << 3 << int(UpdateUnavailable);
        QTest::newRow("4") << 4 << int(UpdateReady);
        QTest::newRow("5") << 5 << int(UpdateSet);
        QTest::newRow("6") << 6 << int(UpdateSet);
    }

    void answerTable()
    {
        QFETCH(int, answer);
        QFETCH(int, expected);
        QVERIFY(m_sim.setUpdateDate(dateText));
        QVERIFY(m_sim.setVersion(QStringLiteral("4.2")));
        QVERIFY(m_sim.setState(answer));
        m_probe->inProgress() = true;
        m_probe->pollStatus();
        QCOMPARE(m_probe->state(), expected);
        if (expected == UpdateUnavailable) {
            QVERIFY(!m_probe->updateDate().isValid());
            QVERIFY(m_probe->inProgress());
        } else {
            QCOMPARE(m_probe->updateDate(), QDateTime::fromString(dateText, QStringLiteral("hh:mm dd.MM.yyyy")));
            QCOMPARE(m_probe->updateVersion(), QStringLiteral("4.2"));
            QVERIFY(!m_probe->inProgress());
        }
    }

    void outsideStateAndUnknownAnswers()
    {
        QVERIFY(m_sim.setState(4));
        m_probe->pollStatus();
        QCOMPARE(m_probe->state(), int(UpdateReady));

        // -2: the upgrade tool is in charge; nothing else moves.
        QVERIFY(m_sim.script(QStringLiteral("getCurrentStateAsInt"), QStringLiteral("value"), -2));
        QVERIFY(m_sim.clearCallLog());
        m_probe->pollStatus();
        QVERIFY(m_probe->upgradeMode());
        QCOMPARE(m_probe->state(), int(UpdateReady));
        QCOMPARE(m_sim.callLog().size(), 2);

        // Unknown answers clear the flag and change nothing else.
        for (int unknown : {7, -3}) {
            m_probe->upgradeMode() = true;
            QVERIFY(m_sim.script(QStringLiteral("getCurrentStateAsInt"), QStringLiteral("value"), unknown));
            m_probe->pollStatus();
            QVERIFY(!m_probe->upgradeMode());
            QCOMPARE(m_probe->state(), int(UpdateReady));
        }
    }

    void faultyReplyOnEveryPoll()
    {
        // With an update seen, each poll shows the error and then the reconnection's "no updates".
        QVERIFY(m_sim.setState(4));
        m_probe->pollStatus();
        QVERIFY(m_sim.script(QStringLiteral("getCurrentStateAsInt"), QStringLiteral("value"), -1, -1));
        QTRY_COMPARE(m_recorder.calls(QStringLiteral("Notify")).size(), 1);
        QVERIFY(m_recorder.clear());

        for (int poll = 1; poll <= 3; ++poll) {
            m_probe->pollStatus();
            QCOMPARE(m_probe->state(), int(UpdateUnavailable));
            QVERIFY(m_probe->serviceConnected());
            QTRY_COMPARE(m_recorder.calls(QStringLiteral("Notify")).size(), 2 * poll);
            // One interface at a time: the replaced ones are released.
            QCOMPARE(interfacesOf(m_core.get()), 1);
        }
        const QList<QJsonObject> notes = m_recorder.calls(QStringLiteral("Notify"));
        QCOMPARE(notes[0].value(QLatin1String("body")).toString(),
            QStringLiteral("Some problems with the service reply, please wait"));
        QCOMPARE(notes[1].value(QLatin1String("body")).toString(), QStringLiteral("No available updates detected"));
    }

    void updateDateChanges()
    {
        QVERIFY(m_sim.setState(4));
        QVERIFY(m_sim.setUpdateDate(dateText));
        m_probe->pollStatus();
        QVERIFY(m_probe->updateDate().isValid());

        // The same date again is no change: the remind menu is not refreshed.
        m_probe->remindNeverAction()->setData(999);
        m_probe->pollStatus();
        QCOMPARE(m_probe->remindNeverAction()->data().toInt(), 999);

        QVERIFY(m_sim.setUpdateDate(QStringLiteral("10:31 24.12.2030")));
        m_probe->pollStatus();
        QVERIFY(m_probe->remindNeverAction()->data().toInt() != 999);

        // Unparsable text: invalid, and invalid again is no change.
        QVERIFY(m_sim.setUpdateDate(QStringLiteral("9:30 24.12.2030")));
        QVERIFY(m_probe->fetchUpdateDate());
        QVERIFY(!m_probe->updateDate().isValid());
        QVERIFY(!m_probe->fetchUpdateDate());
        QVERIFY(m_sim.setUpdateDate(QString()));
        QVERIFY(!m_probe->fetchUpdateDate());

        // An update without a date can be postponed as soon as it shows.
        QVERIFY(m_sim.setState(0));
        m_probe->pollStatus();
        QVERIFY(!m_probe->remindMenu()->isEnabled());
        QVERIFY(m_sim.setUpdateDate(QString()));
        QVERIFY(m_sim.setState(4));
        m_probe->pollStatus();
        QVERIFY(!m_probe->updateDate().isValid());
        QVERIFY(m_probe->remindMenu()->isEnabled());
    }

    void errorCodesAreToldOncePerEpisode()
    {
        const QList<int> codes {2, 2, 2, 0, 2};
        for (int code : codes) {
            QVERIFY(m_sim.setError(code));
            m_probe->pollStatus();
        }
        QTRY_COMPARE(m_recorder.calls(QStringLiteral("Notify")).size(), 2);
        for (const QJsonObject& note : m_recorder.calls(QStringLiteral("Notify"))) {
            QCOMPARE(note.value(QLatin1String("body")).toString(), QStringLiteral("There is an error before update"));
            QCOMPARE(note.value(QLatin1String("hints")).toObject().value(QLatin1String("x-kde-eventId")).toString(),
                QStringLiteral("prepareerror"));
            QCOMPARE(note.value(QLatin1String("expire_timeout")).toInt(), 0);
        }
        QCOMPARE(m_probe->serviceReply(), 2);
        QCOMPARE(m_probe->lastErrorType(), 2);

        QVERIFY(m_sim.setError(-4));
        m_probe->fetchServiceError();
        QCOMPARE(m_probe->serviceReply(), 0);
        QCOMPARE(m_probe->lastErrorType(), -1);
    }

    void wrongReplyTypes_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("string for the state")
            << QStringLiteral("getCurrentStateAsInt") << QVariant(QStringLiteral("4"));
        QTest::newRow("double for the error") << QStringLiteral("getCurrentErrorAsInt") << QVariant(2.0);
        QTest::newRow("int for the date") << QStringLiteral("getUpdateDateAsString") << QVariant(20301224);
        QTest::newRow("bool for the version") << QStringLiteral("getMinorUpdateVersion") << QVariant(true);
    }

    void wrongReplyTypes()
    {
        QFETCH(QString, method);
        QFETCH(QVariant, value);
        QVERIFY(m_sim.setState(4));
        QVERIFY(m_sim.setUpdateDate(dateText));
        QVERIFY(m_sim.setVersion(QStringLiteral("4.2")));
        QVERIFY(m_sim.script(method, QStringLiteral("value"), value));
        m_probe->updateVersion() = QStringLiteral("old");
        m_probe->pollStatus();
        QTRY_VERIFY(!m_recorder.calls(QStringLiteral("Notify")).isEmpty());
        QCOMPARE(m_recorder.calls(QStringLiteral("Notify")).constFirst().value(QLatin1String("body")).toString(),
            QStringLiteral("Some problems with the service reply, please wait"));
        QVERIFY(m_probe->serviceConnected());
        // A failed call leaves what it would have set.
        if (method == QLatin1String("getMinorUpdateVersion")) {
            QCOMPARE(m_probe->updateVersion(), QStringLiteral("old"));
        }
        if (method == QLatin1String("getCurrentErrorAsInt")) {
            QCOMPARE(m_probe->serviceReply(), -1);
        }
    }

    void failureMidPollWithReconnection()
    {
        QVERIFY(m_sim.setState(4));
        QVERIFY(m_sim.setVersion(QStringLiteral("4.3")));
        QVERIFY(m_sim.script(QStringLiteral("getUpdateDateAsString"), QStringLiteral("error"),
            QStringLiteral("org.tarnolinux.UpdateService.Error.Busy")));
        QDBusInterface* before = m_probe->service();
        m_probe->pollStatus();
        // Error, reconnection, then the poll goes on over the new interface.
        QVERIFY(m_probe->service() != before);
        QCOMPARE(m_probe->state(), int(UpdateReady));
        QCOMPARE(m_probe->updateVersion(), QStringLiteral("4.3"));
        QVERIFY(!m_probe->reconnectTimer() || !m_probe->reconnectTimer()->isActive());
        QTRY_COMPARE(m_recorder.calls(QStringLiteral("Notify")).size(), 2);
        const QList<QJsonObject> notes = m_recorder.calls(QStringLiteral("Notify"));
        QCOMPARE(notes[0].value(QLatin1String("body")).toString(),
            QStringLiteral("Some problems with the service reply, please wait"));
        QCOMPARE(notes[1].value(QLatin1String("body")).toString(), QStringLiteral("New system update is available"));
    }

    void failureMidPollWithFailedReconnectionKeepsRetrying()
    {
        QVERIFY(m_sim.setState(4));
        // The service goes away while answering: the reconnection inside the poll fails.
        QVERIFY(m_sim.script(QStringLiteral("getUpdateDateAsString"), QStringLiteral("vanish")));
        m_probe->pollStatus();
        QVERIFY(!m_probe->serviceConnected());
        QCOMPARE(m_probe->state(), int(UpdateReady));
        // Whatever the poll showed last, the next attempt is scheduled.
        QVERIFY(m_probe->reconnectTimer());
        QVERIFY(m_probe->reconnectTimer()->isActive());
        QCOMPARE(m_probe->reconnectTimer()->interval(), 30000);

        // A later refresh while disconnected does not push the attempt away either.
        const int remaining = m_probe->reconnectTimer()->remainingTime();
        QTRY_VERIFY(m_probe->reconnectTimer()->remainingTime() < remaining);
        m_probe->updateStatus(UpdateReady);
        QVERIFY(m_probe->reconnectTimer()->remainingTime() < remaining);

        QVERIFY(m_sim.setRegistered(true));
        fire(m_probe->reconnectTimer());
        QVERIFY(m_probe->serviceConnected());
        m_probe->pollStatus();
        QCOMPARE(m_probe->state(), int(UpdateReady));
    }

    void serviceDiesBetweenCalls()
    {
        QVERIFY(m_sim.setState(4));
        m_probe->pollStatus();
        m_sim.kill();
        m_probe->pollStatus();
        QCOMPARE(m_probe->state(), int(InitError));
        QVERIFY(!m_probe->serviceConnected());
        QVERIFY(m_probe->reconnectTimer()->isActive());

        QVERIFY(m_sim.start({QStringLiteral("--state"), QStringLiteral("5")}));
        fire(m_probe->reconnectTimer());
        QVERIFY(m_probe->serviceConnected());
        m_probe->pollStatus();
        QCOMPARE(m_probe->state(), int(UpdateSet));
    }

    void hangingServiceIsBoundedByTheBus()
    {
        QVERIFY(m_sim.setState(4));
        QVERIFY(m_sim.script(QStringLiteral("getCurrentStateAsInt"), QStringLiteral("hang")));
        QElapsedTimer clock;
        clock.start();
        m_probe->pollStatus();
        QVERIFY(clock.elapsed() >= TestEnvironment::busReplyTimeoutMs - 500);
        QVERIFY(clock.elapsed() < TestEnvironment::busReplyTimeoutMs + 5000);
        // The error was shown and the reconnection found the (still running) service.
        QVERIFY(m_probe->serviceConnected());
        QCOMPARE(m_probe->state(), int(UpdateUnavailable));
        m_probe->pollStatus();
        QCOMPARE(m_probe->state(), int(UpdateReady));
    }

    void dbusErrorReplies()
    {
        QVERIFY(m_sim.setState(4));
        QVERIFY(m_sim.script(QStringLiteral("getCurrentErrorAsInt"), QStringLiteral("error"),
            QStringLiteral("org.freedesktop.DBus.Error.AccessDenied")));
        m_probe->pollStatus();
        // The error query failed; the state query went on over the new interface.
        QCOMPARE(m_probe->state(), int(UpdateReady));
        QCOMPARE(m_probe->serviceReply(), -1);
    }

    void outsideStateCall()
    {
        m_probe->enterOutsideState();
        QVERIFY(m_probe->upgradeMode());
        QVERIFY(!m_probe->stateAction()->isEnabled());
        QCOMPARE(m_sim.callLog(), QStringList {QStringLiteral("setStateFromOutside(3)")});

        m_probe->upgradeMode() = false;
        QVERIFY(m_sim.script(QStringLiteral("setStateFromOutside"), QStringLiteral("error")));
        m_probe->enterOutsideState();
        QVERIFY(!m_probe->upgradeMode());

        QVERIFY(m_sim.clearCallLog());
        m_probe->removeResultStamp(2);
        QCOMPARE(m_sim.callLog(), QStringList {QStringLiteral("removeUpgradeResultStamp(2)")});
    }

private:
    NotificationRecorder m_recorder;
    SimulatorProcess m_sim;
    std::unique_ptr<NotifierCore> m_core;
    std::unique_ptr<NotifierCoreProbe> m_probe;
};

ZIB_TEST_MAIN(ServiceClientTest)
#include "tst_serviceclient.moc"
