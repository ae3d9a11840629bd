// Fake StatusNotifierWatcher: lets tests reach a Qt tray icon and its menu over the session bus.
#include "StatusNotifierWatcher.h"
#include "UnixSignalWatcher.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>

#include <cstdio>

namespace {
int fail(const QString& message)
{
    std::fprintf(stderr, "sni-watcher: %s\n", qPrintable(message));
    return 1;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("sni-watcher"));

    UnixSignalWatcher signalWatcher;
    if (!signalWatcher.isValid())
        return fail(QStringLiteral("cannot install signal handlers"));
    QObject::connect(&signalWatcher, &UnixSignalWatcher::received, &app, [] { QCoreApplication::quit(); });

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return fail(QStringLiteral("no session bus: %1").arg(bus.lastError().message()));
    StatusNotifierWatcher watcher(bus);
    if (!bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals | QDBusConnection::ExportAllProperties))
        return fail(QStringLiteral("cannot register /StatusNotifierWatcher"));

    const QString name = QStringLiteral("org.kde.StatusNotifierWatcher");
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = bus.interface()->registerService(
        name, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid())
        return fail(reply.error().message());
    if (reply.value() != QDBusConnectionInterface::ServiceRegistered)
        return fail(QStringLiteral("bus name %1 is already owned").arg(name));

    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
