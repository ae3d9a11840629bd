// Whether the service runs is asked of the process table (no systemd on test buses), so this test must not
// share the machine with another posing simulator: it runs alone.
#include "NotifierCoreProbe.h"
#include "SimulatorProcess.h"
#include "SystemdService.h"
#include "TestMain.h"

#include <QDBusConnection>
#include <QSignalSpy>

namespace {
const QString serviceExecutable = QStringLiteral("/usr/sbin/tarno-update-service");
}

class ServicePresenceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { TestEnvironment::instance().removeSettings(); }

    void processTableDecides()
    {
        SimulatorProcess posing;
        QVERIFY(posing.start());
        QVERIFY(ZibAdmin::SystemdService(serviceExecutable).isActive());
        // Exactly the first argument, not a prefix or a longer path.
        QVERIFY(!ZibAdmin::SystemdService(QStringLiteral("/usr/sbin/tarno-update")).isActive());
        QVERIFY(!ZibAdmin::SystemdService(serviceExecutable + QLatin1String("d")).isActive());
        posing.stop();
        QVERIFY(!ZibAdmin::SystemdService(serviceExecutable).isActive());
    }

    void inactiveServiceIsNotCalled()
    {
        // The name is on the bus, but no such service runs: nothing is asked of the name.
        SimulatorProcess impostor;
        QVERIFY(impostor.start({QStringLiteral("--no-pose"), QStringLiteral("--state"), QStringLiteral("4")}));
        NotifierCore core(false, nullptr);
        NotifierCoreProbe probe(&core);
        QCOMPARE(probe.state(), int(InitError));
        QVERIFY(!probe.serviceConnected());
        probe.pollStatus();
        QVERIFY(impostor.callLog().isEmpty());
        impostor.stop();

        SimulatorProcess service;
        QVERIFY(service.start({QStringLiteral("--state"), QStringLiteral("4")}));
        QMetaObject::invokeMethod(probe.reconnectTimer(), "timeout");
        QVERIFY(probe.serviceConnected());
        probe.pollStatus();
        QCOMPARE(probe.state(), int(UpdateReady));
    }

    void busGoneEndsInInitError()
    {
        SimulatorProcess service;
        QVERIFY(service.start({QStringLiteral("--state"), QStringLiteral("4")}));
        NotifierCore core(false, nullptr);
        NotifierCoreProbe probe(&core);
        probe.pollStatus();
        QCOMPARE(probe.state(), int(UpdateReady));

        TestEnvironment::instance().stopSystemBus();
        QTRY_VERIFY(!QDBusConnection::systemBus().isConnected());
        probe.pollStatus();
        QCOMPARE(probe.state(), int(InitError));
        QVERIFY(!probe.serviceConnected());
        QVERIFY(probe.reconnectTimer()->isActive());
        QMetaObject::invokeMethod(probe.reconnectTimer(), "timeout");
        QCOMPARE(probe.state(), int(InitError));
        service.kill();
    }
};

ZIB_TEST_MAIN(ServicePresenceTest)
#include "tst_servicepresence.moc"
