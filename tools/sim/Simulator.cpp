#include "Simulator.h"

#include "AdminAdaptor.h"
#include "ControlAdaptor.h"
#include "ServiceAdaptor.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QFileInfo>
#include <QMetaMethod>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTimer>

#include <yaml-cpp/yaml.h>

#include <climits>
#include <cstdio>
#include <exception>
#include <unistd.h>

namespace {

const QString adminName = QStringLiteral("org.tarnolinux.Admin");
const QString adminPath = QStringLiteral("/org/tarnolinux/Admin");

bool isServiceMethod(const QString& name)
{
    for (const QMetaObject* adaptor : {&ServiceAdaptor::staticMetaObject, &AdminAdaptor::staticMetaObject}) {
        for (int i = adaptor->methodOffset(); i < adaptor->methodCount(); ++i) {
            if (QLatin1String(adaptor->method(i).name()) == name)
                return true;
        }
    }
    return false;
}

// A reply with a name that is not a valid D-Bus error name would never leave, so the call would hang instead.
bool isErrorName(const QVariant& value)
{
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QStringLiteral("[A-Za-z_][A-Za-z0-9_]*(\\.[A-Za-z_][A-Za-z0-9_]*)+")));
    const QString name = value.toString();
    return value.userType() == QMetaType::QString &&
        (name.isEmpty() || (name.size() <= 255 && pattern.match(name).hasMatch()));
}

} // namespace

std::optional<QDBusConnection> Simulator::bus(const QString& name)
{
    if (name == QLatin1String("system"))
        return QDBusConnection::systemBus();
    if (name == QLatin1String("session"))
        return QDBusConnection::sessionBus();
    return std::nullopt;
}

Simulator::Simulator(const QDBusConnection& bus, const QString& sysroot) : m_bus(bus), m_sysroot(sysroot)
{
    while (m_sysroot.endsWith(QLatin1Char('/')))
        m_sysroot.chop(1);
    new ServiceAdaptor(this, &m_serviceObject);
    new ControlAdaptor(this, &m_serviceObject);
    new AdminAdaptor(this, &m_adminObject);
}

bool Simulator::start(QString* error)
{
    if (!m_bus.isConnected()) {
        *error = QStringLiteral("cannot connect to the bus: %1").arg(m_bus.lastError().message());
        return false;
    }
    if (!m_bus.registerObject(servicePath, &m_serviceObject, QDBusConnection::ExportAdaptors) ||
        !m_bus.registerObject(adminPath, &m_adminObject, QDBusConnection::ExportAdaptors)) {
        *error = QStringLiteral("cannot register the objects");
        return false;
    }
    // Objects first, names last: whoever sees a name can call at once.
    for (const QString& name : {controlName, adminName, serviceName}) {
        if (!m_bus.registerService(name)) {
            *error = QStringLiteral("cannot own the bus name %1: %2").arg(name, m_bus.lastError().message());
            return false;
        }
    }
    return true;
}

void Simulator::serve(const QDBusContext& context, const Answer& answer)
{
    const QDBusMessage call = context.message();
    QStringList arguments;
    for (const QVariant& argument : call.arguments())
        arguments.append(argument.toString());
    callLog.append(call.member() + QLatin1Char('(') + arguments.join(QLatin1Char(',')) + QLatin1Char(')'));

    // Every reply is sent from here: now, later or never.
    context.setDelayedReply(true);
    QList<Script>& queue = m_scripts[call.member()];
    if (queue.isEmpty()) {
        send(answer(call));
        return;
    }
    const Script script = queue.constFirst();
    // A script for every call (count -1) stays at the head and hides those queued behind it.
    if (script.count != -1 && --queue.first().count == 0)
        queue.removeFirst();

    if (script.kind == QLatin1String("value")) {
        send(call.createReply(script.value));
    } else if (script.kind == QLatin1String("error")) {
        const QString name = script.value.toString();
        send(call.createErrorReply(name.isEmpty() ? QStringLiteral("org.tarnolinux.UpdateService.Error.Failed") : name,
            QStringLiteral("scripted error")));
    } else if (script.kind == QLatin1String("delay")) {
        // The normal answer, and its side effects, come when the delay has passed.
        QTimer::singleShot(script.value.toInt(), this, [this, call, answer] { send(answer(call)); });
    } else if (script.kind == QLatin1String("vanish")) {
        m_bus.unregisterService(serviceName);
        send(call.createErrorReply(QStringLiteral("org.tarnolinux.UpdateService.Error.Gone"),
            QStringLiteral("The update service has gone away")));
    } else if (script.kind == QLatin1String("exit")) {
        std::fflush(nullptr);
        ::_exit(0);
    }
    // "hang": the call is never answered.
}

QString Simulator::addScript(const QString& method, const QString& kind, const QVariant& value, int count)
{
    if (!isServiceMethod(method))
        return QStringLiteral("no service method named \"%1\"").arg(method);
    if (!scriptKinds.contains(kind))
        return QStringLiteral("unknown script kind \"%1\" (%2)").arg(kind, scriptKinds.join(QStringLiteral(", ")));
    if (count != -1 && count < 1)
        return QStringLiteral("count must be -1 or positive, not %1").arg(count);
    if (kind == QLatin1String("error") && !isErrorName(value))
        return QStringLiteral("an error script needs an empty string or a valid D-Bus error name");
    bool isNumber = false;
    const qlonglong milliseconds = value.toLongLong(&isNumber);
    if (kind == QLatin1String("delay") && (!isNumber || milliseconds < 0 || milliseconds > INT_MAX))
        return QStringLiteral("a delay script needs a number of milliseconds");
    m_scripts[method].append({kind, kind == QLatin1String("delay") ? QVariant(int(milliseconds)) : value, count});
    return QString();
}

bool Simulator::setRegistered(bool registered, QString* error)
{
    if (!registered) {
        m_bus.unregisterService(serviceName);
        return true;
    }
    if (m_bus.registerService(serviceName))
        return true;
    *error = QStringLiteral("cannot own the bus name %1, another connection may own it: %2")
                 .arg(serviceName, m_bus.lastError().message());
    return false;
}

void Simulator::quit(const QDBusContext& context)
{
    context.setDelayedReply(true);
    send(context.message().createReply());
    // Messages leave a connection in order, so once a round trip to the bus is back, the reply has left.
    m_bus.interface()->serviceOwner(serviceName);
    QCoreApplication::exit(0);
}

void Simulator::send(const QDBusMessage& message)
{
    if (!m_bus.send(message))
        std::fprintf(
            stderr, "tarno-update-service-sim: cannot send a reply: %s\n", qUtf8Printable(m_bus.lastError().message()));
}

// Sets upgrade_mode in the upgrade report to "activated" (enable) or "ready", keeping every other key.
// A forced upgrade stays forced: it cannot be postponed, and enabling it changes nothing.
QDBusMessage Simulator::changeUpgradeMode(const QDBusMessage& call, bool enable) const
{
    const auto failure = [&call](const char* error, const QString& message) {
        return call.createErrorReply(QStringLiteral("org.tarnolinux.Admin.Error.") + QLatin1String(error), message);
    };
    const QString report = path("/var/cache/tarno-upgrade/upgrade.report.yaml");
    const QFileInfo info(report);
    if (!info.exists())
        return failure("NoReport", QStringLiteral("The upgrade report does not exist"));
    if (!info.isFile())
        return failure("BadReport", QStringLiteral("The upgrade report is not a file"));

    YAML::Node root;
    try {
        root = YAML::LoadFile(QFile::encodeName(report).toStdString());
    } catch (const std::exception& e) {
        // yaml-cpp throws its own exceptions for bad YAML, and the stream's for read errors.
        return failure(
            "BadReport", QStringLiteral("The upgrade report cannot be read: %1").arg(QString::fromUtf8(e.what())));
    }
    if (!root.IsMap())
        return failure("BadReport", QStringLiteral("The upgrade report is not a mapping"));
    const bool forced = root["upgrade_mode"].IsScalar() && root["upgrade_mode"].Scalar() == "forced";
    if (forced && !enable)
        return failure("Forced", QStringLiteral("The upgrade is forced and cannot be postponed"));
    const std::string mode = forced ? "forced" : (enable ? "activated" : "ready");
    root["upgrade_mode"] = mode;

    YAML::Emitter emitter;
    emitter << root;
    if (!emitter.good())
        return failure("BadReport",
            QStringLiteral("The upgrade report cannot be written: %1")
                .arg(QString::fromStdString(emitter.GetLastError())));
    // QSaveFile writes a temporary file next to the report and renames it over the report.
    QSaveFile file(report);
    const QByteArray content = QByteArray(emitter.c_str(), int(emitter.size())) + '\n';
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        return failure(
            "WriteFailed", QStringLiteral("The upgrade report cannot be written: %1").arg(file.errorString()));
    return call.createReply(QStringLiteral("upgrade_mode: %1").arg(QString::fromStdString(mode)));
}
