// Recording notification server for end-to-end tests and the demo.
#include "NotificationServer.h"
#include "RecorderControl.h"
#include "RecorderLog.h"
#include "UnixSignalWatcher.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>

#include <cstdio>

namespace {
int fail(const QString& message)
{
    std::fprintf(stderr, "notification-recorder: %s\n", qPrintable(message));
    return 1;
}

bool registerName(QDBusConnection& bus, const QString& name, QString* error)
{
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = bus.interface()->registerService(
        name, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered)
        return true;
    *error = reply.isValid() ? QStringLiteral("bus name %1 is already owned").arg(name) : reply.error().message();
    return false;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("notification-recorder"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Records org.freedesktop.Notifications calls on the session bus."));
    parser.addHelpOption();
    const QCommandLineOption logOption(
        QStringLiteral("log"), QStringLiteral("Also append each entry to FILE."), QStringLiteral("FILE"));
    parser.addOption(logOption);
    parser.process(app);

    UnixSignalWatcher signalWatcher;
    if (!signalWatcher.isValid())
        return fail(QStringLiteral("cannot install signal handlers"));
    QObject::connect(&signalWatcher, &UnixSignalWatcher::received, &app, [] { QCoreApplication::quit(); });

    RecorderLog log;
    if (parser.isSet(logOption) && !log.openFile(parser.value(logOption)))
        return fail(QStringLiteral("cannot open %1: %2").arg(parser.value(logOption), log.errorString()));
    NotificationServer server(&log);
    RecorderControl control(&server, &log);

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return fail(QStringLiteral("no session bus: %1").arg(bus.lastError().message()));
    const auto exports = QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals;
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server, exports) ||
        !bus.registerObject(QStringLiteral("/recorder"), &control, exports))
        return fail(QStringLiteral("cannot register objects"));
    QString error;
    if (!registerName(bus, QStringLiteral("org.freedesktop.Notifications"), &error) ||
        !registerName(bus, QStringLiteral("org.zib.test.NotificationRecorder"), &error))
        return fail(error);

    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
