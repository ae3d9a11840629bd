#include "SimulatorProcess.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

namespace {
const QString controlName = QStringLiteral("org.tarnolinux.UpdateService.Simulator");
const QString controlPath = QStringLiteral("/org/tarnolinux/UpdateService");
} // namespace

bool SimulatorProcess::start(const QStringList& arguments)
{
    return m_process.start(QStringLiteral(ZIB_SIM_PATH), arguments);
}

bool SimulatorProcess::control(const QString& method, const QVariantList& arguments, QVariantList* reply)
{
    QDBusMessage call = QDBusMessage::createMethodCall(controlName, controlPath, controlName, method);
    call.setArguments(arguments);
    const QDBusMessage answer = QDBusConnection::systemBus().call(call, QDBus::Block, 5000);
    if (answer.type() != QDBusMessage::ReplyMessage) {
        return false;
    }
    if (reply) {
        *reply = answer.arguments();
    }
    return true;
}

bool SimulatorProcess::setState(int state)
{
    return control(QStringLiteral("SetState"), {state});
}

bool SimulatorProcess::setError(int error)
{
    return control(QStringLiteral("SetError"), {error});
}

bool SimulatorProcess::setUpdateDate(const QString& date)
{
    return control(QStringLiteral("SetUpdateDate"), {date});
}

bool SimulatorProcess::setVersion(const QString& version)
{
    return control(QStringLiteral("SetVersion"), {version});
}

bool SimulatorProcess::script(const QString& method, const QString& kind, const QVariant& value, int count)
{
    const QVariant payload = value.isValid() ? value : QVariant(QString());
    return control(QStringLiteral("Script"), {method, kind, QVariant::fromValue(QDBusVariant(payload)), count});
}

bool SimulatorProcess::clearScripts()
{
    return control(QStringLiteral("ClearScripts"), {});
}

bool SimulatorProcess::setRegistered(bool registered)
{
    return control(QStringLiteral("SetRegistered"), {registered});
}

QStringList SimulatorProcess::callLog()
{
    QVariantList reply;
    if (!control(QStringLiteral("CallLog"), {}, &reply) || reply.isEmpty()) {
        return {};
    }
    return reply.constFirst().toStringList();
}

bool SimulatorProcess::clearCallLog()
{
    return control(QStringLiteral("ClearCallLog"), {});
}

int SimulatorProcess::callCount(const QString& method)
{
    int count = 0;
    const QStringList log = callLog();
    for (const QString& entry : log) {
        if (entry.startsWith(method + QLatin1Char('('))) {
            ++count;
        }
    }
    return count;
}
