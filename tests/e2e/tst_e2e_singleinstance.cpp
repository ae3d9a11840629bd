// One notifier per user, seen from outside: a second start never makes a tray icon, "--settings" as the
// last argument reaches the running one (and brings its hidden icon back), any other last piece does
// nothing, and a start after a killed primary takes over.
#include "E2eTest.h"
#include "FakeDpkg.h"
#include "ItemRegistrations.h"
#include "Poll.h"
#include "TestMain.h"
#include "TrayItem.h"

#include <QLocalSocket>

namespace {
const QString settingsTitle = QStringLiteral("Settings");

QString socketPath()
{
    return TestEnvironment::instance().runtimeDir() + QLatin1String("/zib-user-update-notifier.socket");
}

// Writes one message frame ("ZIB1", 32-bit big-endian length, UTF-8) to the running instance, as a
// second start does; true once it acknowledged.
bool sendFrame(const QString& message)
{
    const QByteArray payload = message.toUtf8();
    QByteArray frame = QByteArrayLiteral("ZIB1");
    const quint32 length = quint32(payload.size());
    frame.append(char(length >> 24)).append(char(length >> 16)).append(char(length >> 8)).append(char(length));
    frame.append(payload);

    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(5000)) {
        return false;
    }
    socket.write(frame);
    if (!socket.waitForBytesWritten(5000)) {
        return false;
    }
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(5000)) {
            return false;
        }
    }
    return socket.read(1) == QByteArray(1, '\x06');
}
} // namespace

class E2eSingleInstanceTest : public E2eTest
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(FakeDpkg::set(FakeDpkg::Mode::Removed)); }
    void cleanup() { finishTest(); }

    void secondStartShowsNoIcon()
    {
        DesktopSession* desktop = startDesktop(DesktopSession::Tray::Watcher);
        QVERIFY(desktop);
        ItemRegistrations registrations;
        QVERIFY(registrations.isListening());

        // No update service: the error state keeps the primary's icon shown.
        NotifierProcess* primary = desktop->startNotifier();
        const TrayItem primaryTray(primary->pid());
        QVERIFY(primaryTray.waitForRegistered(startMs));

        NotifierProcess* second = desktop->runNotifier({}, startMs);
        QVERIFY2(!second->isRunning(), "the second start keeps running");
        QCOMPARE(second->exitCode(), 0);
        QVERIFY2(registrations.itemsOf(second->pid()).isEmpty(), qPrintable(registrations.items().join(u' ')));
        QVERIFY(!TrayItem(second->pid()).isRegistered());

        QVERIFY(primary->isRunning());
        QVERIFY(primaryTray.isRegistered());
        QVERIFY(desktop->windows().find(settingsTitle).isEmpty());
    }

    void settingsRequestReachesPrimary()
    {
        DesktopSession* desktop = startDesktop(DesktopSession::Tray::Watcher);
        QVERIFY(desktop);
        SimulatorProcess* simulator = startSimulator({QStringLiteral("--state"), QStringLiteral("0")});
        QVERIFY(simulator);
        ItemRegistrations registrations;
        QVERIFY(registrations.isListening());

        // No updates and the default settings: once the first poll said so, the icon is hidden.
        NotifierProcess* primary = desktop->startNotifier();
        const TrayItem tray(primary->pid());
        QVERIFY(Poll::until([&] { return simulator->callCount(QStringLiteral("getCurrentStateAsInt")) > 0; }, startMs));
        QVERIFY(tray.waitForUnregistered(startMs));
        QVERIFY(desktop->windows().find(settingsTitle).isEmpty());

        NotifierProcess* second = desktop->runNotifier({QStringLiteral("--settings")}, startMs);
        QVERIFY(!second->isRunning());
        QCOMPARE(second->exitCode(), 0);

        const qulonglong window = desktop->windows().waitFor(settingsTitle, startMs);
        QVERIFY2(window, "the running instance showed no settings window");
        QVERIFY2(tray.waitForRegistered(startMs), "the hidden icon did not come back");
        QVERIFY(registrations.itemsOf(second->pid()).isEmpty());

        // Asked again, it raises the same window rather than opening another.
        NotifierProcess* third = desktop->runNotifier({QStringLiteral("--settings")}, startMs);
        QCOMPARE(third->exitCode(), 0);
        QVERIFY(!tray.menu().children.isEmpty()); // the request has been handled by now
        QCOMPARE(desktop->windows().find(settingsTitle), QList<qulonglong> {window});
        QVERIFY(primary->isRunning());
    }

    void settingsMustBeLastAndExact()
    {
        DesktopSession* desktop = startDesktop(DesktopSession::Tray::Watcher);
        QVERIFY(desktop);
        NotifierProcess* primary = desktop->startNotifier();
        const TrayItem tray(primary->pid());
        QVERIFY(tray.waitForRegistered(startMs));

        const QString program = DesktopSession::notifierProgram();
        const QStringList ignored {
            program + QStringLiteral("|||--settings|||--verbose"),
            program + QStringLiteral("|||--Settings"),
            program + QStringLiteral("|||--settings "),
            program + QStringLiteral("|||--settings|||"),
            QStringLiteral("--settings|"),
            QString(),
        };
        for (const QString& message : ignored) {
            QVERIFY2(sendFrame(message), qPrintable(message));
            // Two answers from the event loop: the message has been handled, and the loop has turned since,
            // so a window it opened would be mapped by now.
            QVERIFY(!tray.menu().children.isEmpty());
            QVERIFY(!tray.menu().children.isEmpty());
            QVERIFY2(desktop->windows().find(settingsTitle).isEmpty(), qPrintable(message));
        }

        // The same channel with the exact last piece does open it.
        QVERIFY(sendFrame(program + QStringLiteral("|||--settings")));
        QVERIFY(desktop->windows().waitFor(settingsTitle, startMs));
        QVERIFY(primary->isRunning());
    }

    void startAfterKilledPrimaryTakesOver()
    {
        DesktopSession* desktop = startDesktop(DesktopSession::Tray::Watcher);
        QVERIFY(desktop);
        NotifierProcess* first = desktop->startNotifier();
        const TrayItem firstTray(first->pid());
        QVERIFY(firstTray.waitForRegistered(startMs));

        // kill -9 leaves the lock and the socket file behind.
        first->kill();
        QVERIFY(firstTray.waitForUnregistered(startMs));

        NotifierProcess* next = desktop->startNotifier();
        const TrayItem nextTray(next->pid());
        QVERIFY2(nextTray.waitForRegistered(startMs), "the new start did not become the running instance");
        QVERIFY(next->isRunning());

        // And it is the one that listens now.
        NotifierProcess* request = desktop->runNotifier({QStringLiteral("--settings")}, startMs);
        QCOMPARE(request->exitCode(), 0);
        QVERIFY(desktop->windows().waitFor(settingsTitle, startMs));
    }
};

ZIB_TEST_MAIN(E2eSingleInstanceTest)
#include "tst_e2e_singleinstance.moc"
