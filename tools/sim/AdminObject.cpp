#include "AdminObject.h"

#include "BusNames.h"
#include "CallRouting.h"
#include "Simulator.h"
#include "UpgradeReport.h"

namespace {

const char adminXml[] = R"(  <interface name="org.tarnolinux.Admin.Upgrade">
    <method name="ChangeUpgradeState">
      <arg name="enable" type="b" direction="in"/>
      <arg name="output" type="s" direction="out"/>
    </method>
  </interface>
)";

} // namespace

AdminObject::AdminObject(Simulator* simulator, QObject* parent) : QDBusVirtualObject(parent), m_simulator(simulator) { }

QString AdminObject::introspect(const QString& path) const
{
    Q_UNUSED(path)
    return QLatin1String(adminXml);
}

bool AdminObject::hasMethod(const QString& method)
{
    return method == QLatin1String("ChangeUpgradeState");
}

bool AdminObject::handleMessage(const QDBusMessage& message, const QDBusConnection& connection)
{
    Q_UNUSED(connection)
    if (message.type() != QDBusMessage::MethodCallMessage)
        return false;
    const QString interface = message.interface();
    if (CallRouting::isStandardInterface(interface))
        return false;
    if (interface.isEmpty() && CallRouting::isStandardMember(message.member()))
        return false;
    if (interface != BusNames::adminInterface && !interface.isEmpty()) {
        m_simulator->send(CallRouting::unknownMethod(message));
        return true;
    }

    m_simulator->callLog().record(message);
    if (!hasMethod(message.member())) {
        m_simulator->send(CallRouting::unknownMethod(message));
        return true;
    }
    if (message.signature() != QLatin1String("b")) {
        m_simulator->send(CallRouting::invalidArgs(message, QStringLiteral("b")));
        return true;
    }
    m_simulator->serve(message, [this, message] { return answer(message); });
    return true;
}

QDBusMessage AdminObject::answer(const QDBusMessage& call)
{
    const UpgradeReport::Result result =
        UpgradeReport::changeMode(m_simulator->paths().upgradeReport(), call.arguments().constFirst().toBool());
    if (!result.ok())
        return call.createErrorReply(result.errorName, result.message);
    return call.createReply(result.output);
}
