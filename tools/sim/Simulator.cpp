// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "Simulator.h"

#include "AdminAdaptor.h"
#include "ControlAdaptor.h"
#include "UpdateServiceAdaptor.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFileInfo>
#include <QMetaMethod>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTimer>

#include <yaml-cpp/yaml.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <exception>
#include <unistd.h>

namespace {

const QString adminName = QStringLiteral("org.tarnolinux.Admin");
const QString adminPath = QStringLiteral("/org/tarnolinux/Admin");

bool isServiceMethod(const QString& name)
{
    for (const QMetaObject* adaptor : {&UpdateServiceAdaptor::staticMetaObject, &AdminAdaptor::staticMetaObject}) {
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

// Replaces the file whole (QSaveFile renames a finished temporary file over it), creating its folder.
// Returns why it failed, or an empty string.
QString writeFile(const QString& path, const QByteArray& content)
{
    if (!QDir().mkpath(QFileInfo(path).path()))
        return QStringLiteral("cannot create the folder %1").arg(QFileInfo(path).path());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        return file.errorString();
    return QString();
}

QString writeYaml(const QString& path, const YAML::Node& root)
{
    YAML::Emitter emitter;
    emitter << root;
    return emitter.good() ? writeFile(path, QByteArray(emitter.c_str(), int(emitter.size())) + '\n')
                          : QString::fromStdString(emitter.GetLastError());
}

QString cannotWrite(const QString& path, const QString& error)
{
    return error.isEmpty() ? error : QStringLiteral("cannot write %1: %2").arg(path, error);
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
    new UpdateServiceAdaptor(&m_serviceObject);
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
    const QString report = path(upgradeReport);
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

    if (const QString error = writeYaml(report, root); !error.isEmpty())
        return failure("WriteFailed", QStringLiteral("The upgrade report cannot be written: %1").arg(error));
    return call.createReply(QStringLiteral("upgrade_mode: %1").arg(QString::fromStdString(mode)));
}

QString Simulator::setUpgrade(const QString& mode, const QString& target, const QString& end) const
{
    if (mode == QLatin1String("off")) {
        for (const char* file : {upgradeReport, upgradeConfig}) {
            // unlink() removes a file or a link, never a directory; a missing file is off already.
            const int failed = ::unlink(QFile::encodeName(path(file)).constData()) == 0 ? 0 : errno;
            if (failed && failed != ENOENT)
                return QStringLiteral("cannot remove %1: %2").arg(path(file), QString::fromLocal8Bit(strerror(failed)));
        }
        return QString();
    }
    if (mode != QLatin1String("ready") && mode != QLatin1String("activated") && mode != QLatin1String("forced"))
        return QStringLiteral("the upgrade mode must be ready, activated, forced or off, not \"%1\"").arg(mode);
    YAML::Node config;
    config["upgrade"]["target_release"] = target.toStdString();
    YAML::Node report;
    report["upgrade_mode"] = mode.toStdString();
    if (!end.isEmpty())
        report["t_end"] = end.toStdString();
    // The configuration first: the notifier follows the report.
    const QString error = cannotWrite(path(upgradeConfig), writeYaml(path(upgradeConfig), config));
    return error.isEmpty() ? cannotWrite(path(upgradeReport), writeYaml(path(upgradeReport), report)) : error;
}

QString Simulator::leaveStamp(int kind, int reason) const
{
    if (kind < 0 || kind > 3)
        return QStringLiteral("the stamp kind must be 0 to 3, not %1").arg(kind);
    if (reason < -1 || reason > 9 || (kind != 0 && reason != -1))
        return QStringLiteral("a reason is one digit, and only stamp 0 takes one");
    const QString stamp = path(resultStamps[kind]);
    return cannotWrite(stamp, writeFile(stamp, reason < 0 ? QByteArray() : QByteArray::number(reason)));
}
