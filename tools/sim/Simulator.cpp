#include "Simulator.h"

#include "AdminObject.h"
#include "BusNames.h"
#include "UpdateServiceObject.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

Simulator::Simulator(const QDBusConnection& bus, const ServiceState& initial, const QString& sysroot, QObject* parent)
    : QObject(parent), m_bus(bus), m_state(initial), m_paths(sysroot)
{
    m_serviceObject = new UpdateServiceObject(this, this);
    m_adminObject = new AdminObject(this, this);
}

Simulator::~Simulator()
{
    m_bus.unregisterObject(BusNames::servicePath);
    m_bus.unregisterObject(BusNames::adminPath);
}

bool Simulator::start(QString* error)
{
    if (!m_bus.isConnected()) {
        *error = QStringLiteral("cannot connect to the bus: %1").arg(m_bus.lastError().message());
        return false;
    }
    if (!m_bus.registerVirtualObject(BusNames::servicePath, m_serviceObject) ||
        !m_bus.registerVirtualObject(BusNames::adminPath, m_adminObject)) {
        *error = QStringLiteral("cannot register the objects");
        return false;
    }
    // Objects first, names last: whoever sees a name can call at once.
    for (const QString& name : {BusNames::controlName, BusNames::adminName, BusNames::serviceName}) {
        if (!m_bus.registerService(name)) {
            *error = QStringLiteral("cannot own the bus name %1: %2").arg(name, m_bus.lastError().message());
            return false;
        }
    }
    return true;
}

void Simulator::serve(const QDBusMessage& call, const std::function<QDBusMessage()>& answer)
{
    const std::optional<ScriptEntry> script = m_scripts.take(call.member());
    if (!script) {
        send(answer());
        return;
    }
    switch (script->kind) {
    case ScriptEntry::Kind::Value:
        send(call.createReply(script->value));
        return;
    case ScriptEntry::Kind::Error: {
        const QString name = script->value.toString();
        send(call.createErrorReply(
            name.isEmpty() ? BusNames::errorScriptedDefault : name, QStringLiteral("scripted error")));
        return;
    }
    case ScriptEntry::Kind::Delay:
        // The normal answer, and its side effects, happen when the delay has passed.
        QTimer::singleShot(script->value.toInt(), this, [this, answer] { send(answer()); });
        return;
    case ScriptEntry::Kind::Hang:
        m_unanswered.append(call);
        return;
    case ScriptEntry::Kind::Vanish: {
        QString ignored;
        setServiceRegistered(false, &ignored);
        send(call.createErrorReply(BusNames::errorGone, QStringLiteral("The update service has gone away")));
        return;
    }
    case ScriptEntry::Kind::Exit:
        std::fflush(stdout);
        std::fflush(stderr);
        ::_exit(0);
    }
}

void Simulator::send(const QDBusMessage& message)
{
    if (!m_bus.send(message))
        std::fprintf(
            stderr, "tarno-update-service-sim: cannot send a reply: %s\n", qUtf8Printable(m_bus.lastError().message()));
}

bool Simulator::setServiceRegistered(bool registered, QString* error)
{
    QDBusConnectionInterface* bus = m_bus.interface();
    const QDBusReply<QString> owner = bus->serviceOwner(BusNames::serviceName);
    const bool ours = owner.isValid() && owner.value() == m_bus.baseService();
    if (registered == ours)
        return true;
    if (!registered) {
        m_bus.unregisterService(BusNames::serviceName);
        return true;
    }
    if (m_bus.registerService(BusNames::serviceName))
        return true;
    *error = QStringLiteral("cannot own the bus name %1: %2")
                 .arg(BusNames::serviceName,
                     owner.isValid() ? QStringLiteral("owned by another connection") : m_bus.lastError().message());
    return false;
}

void Simulator::quit(const QDBusMessage& call)
{
    send(call.createReply());
    flush();
    QCoreApplication::exit(0);
}

void Simulator::flush()
{
    // Messages leave one connection in order, so once a round trip to the bus has
    // come back, everything sent before it has been written.
    const QDBusMessage ping = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
        QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
    m_bus.call(ping, QDBus::Block, 5000);
}
