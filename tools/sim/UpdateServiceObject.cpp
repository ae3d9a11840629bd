#include "UpdateServiceObject.h"

#include "BusNames.h"
#include "CallRouting.h"
#include "Simulator.h"

#include <QFile>
#include <QLatin1String>

#include <unistd.h>

namespace {

struct MethodSignature
{
    QLatin1String name;
    QLatin1String input;
};

const MethodSignature serviceMethods[] = {
    {QLatin1String("getCurrentStateAsInt"), QLatin1String("")},
    {QLatin1String("getCurrentErrorAsInt"), QLatin1String("")},
    {QLatin1String("getUpdateDateAsString"), QLatin1String("")},
    {QLatin1String("getMinorUpdateVersion"), QLatin1String("")},
    {QLatin1String("enableUpgradeOnReboot"), QLatin1String("")},
    {QLatin1String("disableUpgradeOnReboot"), QLatin1String("")},
    {QLatin1String("removeUpgradeResultStamp"), QLatin1String("i")},
    {QLatin1String("setStateFromOutside"), QLatin1String("i")},
};

const char serviceXml[] = R"(  <interface name="org.tarnolinux.UpdateService">
    <method name="getCurrentStateAsInt">
      <arg name="state" type="i" direction="out"/>
    </method>
    <method name="getCurrentErrorAsInt">
      <arg name="error" type="i" direction="out"/>
    </method>
    <method name="getUpdateDateAsString">
      <arg name="date" type="s" direction="out"/>
    </method>
    <method name="getMinorUpdateVersion">
      <arg name="version" type="s" direction="out"/>
    </method>
    <method name="enableUpgradeOnReboot">
      <arg name="result" type="i" direction="out"/>
    </method>
    <method name="disableUpgradeOnReboot">
      <arg name="result" type="i" direction="out"/>
    </method>
    <method name="removeUpgradeResultStamp">
      <arg name="kind" type="i" direction="in"/>
      <arg name="result" type="i" direction="out"/>
    </method>
    <method name="setStateFromOutside">
      <arg name="value" type="i" direction="in"/>
      <arg name="result" type="i" direction="out"/>
    </method>
  </interface>
)";

} // namespace

UpdateServiceObject::UpdateServiceObject(Simulator* simulator, QObject* parent)
    : QDBusVirtualObject(parent), m_simulator(simulator), m_control(simulator)
{
}

QString UpdateServiceObject::introspect(const QString& path) const
{
    Q_UNUSED(path)
    return QLatin1String(serviceXml) + ControlInterface::introspectionXml();
}

std::optional<QString> UpdateServiceObject::inputSignature(const QString& method)
{
    for (const MethodSignature& known : serviceMethods) {
        if (known.name == method)
            return QString(known.input);
    }
    return std::nullopt;
}

bool UpdateServiceObject::handleMessage(const QDBusMessage& message, const QDBusConnection& connection)
{
    Q_UNUSED(connection)
    if (message.type() != QDBusMessage::MethodCallMessage)
        return false;
    const QString interface = message.interface();
    const QString member = message.member();
    if (CallRouting::isStandardInterface(interface))
        return false;
    if (interface.isEmpty() && CallRouting::isStandardMember(member))
        return false;

    if (interface == BusNames::controlInterface || (interface.isEmpty() && ControlInterface::hasMethod(member))) {
        m_control.handle(message);
    } else if (interface == BusNames::serviceInterface || interface.isEmpty()) {
        handleServiceCall(message);
    } else {
        m_simulator->send(CallRouting::unknownMethod(message));
    }
    return true;
}

void UpdateServiceObject::handleServiceCall(const QDBusMessage& call)
{
    m_simulator->callLog().record(call);
    const std::optional<QString> expected = inputSignature(call.member());
    if (!expected) {
        m_simulator->send(CallRouting::unknownMethod(call));
        return;
    }
    if (call.signature() != *expected) {
        m_simulator->send(CallRouting::invalidArgs(call, *expected));
        return;
    }
    m_simulator->serve(call, [this, call] { return answer(call); });
}

QDBusMessage UpdateServiceObject::answer(const QDBusMessage& call)
{
    ServiceState& state = m_simulator->state();
    const QString method = call.member();
    if (method == QLatin1String("getCurrentStateAsInt"))
        return call.createReply(state.outside ? -2 : state.state);
    if (method == QLatin1String("getCurrentErrorAsInt"))
        return call.createReply(state.error);
    if (method == QLatin1String("getUpdateDateAsString"))
        return call.createReply(state.date);
    if (method == QLatin1String("getMinorUpdateVersion"))
        return call.createReply(state.version);
    if (method == QLatin1String("enableUpgradeOnReboot")) {
        if (state.state != 4)
            return call.createReply(-1);
        state.state = 5;
        return call.createReply(0);
    }
    if (method == QLatin1String("disableUpgradeOnReboot")) {
        if (state.state != 5 && state.state != 6)
            return call.createReply(-1);
        state.state = 4;
        return call.createReply(0);
    }
    if (method == QLatin1String("removeUpgradeResultStamp"))
        return call.createReply(removeStamp(call.arguments().constFirst().toInt()));
    if (method == QLatin1String("setStateFromOutside")) {
        if (call.arguments().constFirst().toInt() != 3)
            return call.createReply(-1);
        state.outside = true;
        return call.createReply(0);
    }
    return CallRouting::unknownMethod(call);
}

int UpdateServiceObject::removeStamp(int kind)
{
    const QString path = m_simulator->paths().resultStamp(kind);
    if (path.isNull())
        return -1;
    // unlink() removes a file or a symbolic link, never a directory nor what a link points to.
    return ::unlink(QFile::encodeName(path).constData()) == 0 ? 0 : -1;
}
