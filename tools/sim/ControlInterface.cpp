#include "ControlInterface.h"

#include "AdminObject.h"
#include "BusNames.h"
#include "CallRouting.h"
#include "ScriptQueue.h"
#include "Simulator.h"
#include "UpdateServiceObject.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <QLatin1String>

#include <climits>

namespace {

struct MethodSignature
{
    QLatin1String name;
    QLatin1String input;
};

const MethodSignature controlMethods[] = {
    {QLatin1String("SetState"), QLatin1String("i")},
    {QLatin1String("SetError"), QLatin1String("i")},
    {QLatin1String("SetUpdateDate"), QLatin1String("s")},
    {QLatin1String("SetVersion"), QLatin1String("s")},
    {QLatin1String("Script"), QLatin1String("ssvi")},
    {QLatin1String("ClearScripts"), QLatin1String("")},
    {QLatin1String("CallLog"), QLatin1String("")},
    {QLatin1String("ClearCallLog"), QLatin1String("")},
    {QLatin1String("SetRegistered"), QLatin1String("b")},
    {QLatin1String("State"), QLatin1String("")},
    {QLatin1String("Quit"), QLatin1String("")},
};

const char controlXml[] = R"(  <interface name="org.tarnolinux.UpdateService.Simulator">
    <method name="SetState">
      <arg name="state" type="i" direction="in"/>
    </method>
    <method name="SetError">
      <arg name="error" type="i" direction="in"/>
    </method>
    <method name="SetUpdateDate">
      <arg name="date" type="s" direction="in"/>
    </method>
    <method name="SetVersion">
      <arg name="version" type="s" direction="in"/>
    </method>
    <method name="Script">
      <arg name="method" type="s" direction="in"/>
      <arg name="kind" type="s" direction="in"/>
      <arg name="value" type="v" direction="in"/>
      <arg name="count" type="i" direction="in"/>
    </method>
    <method name="ClearScripts"/>
    <method name="CallLog">
      <arg name="calls" type="as" direction="out"/>
    </method>
    <method name="ClearCallLog"/>
    <method name="SetRegistered">
      <arg name="registered" type="b" direction="in"/>
    </method>
    <method name="State">
      <arg name="state" type="i" direction="out"/>
      <arg name="error" type="i" direction="out"/>
      <arg name="date" type="s" direction="out"/>
      <arg name="version" type="s" direction="out"/>
      <arg name="outside" type="b" direction="out"/>
    </method>
    <method name="Quit"/>
  </interface>
)";

const MethodSignature* findMethod(const QString& method)
{
    for (const MethodSignature& known : controlMethods) {
        if (known.name == method)
            return &known;
    }
    return nullptr;
}

bool isIntegerType(int type)
{
    switch (type) {
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return true;
    default:
        return false;
    }
}

QDBusMessage scriptRejected(const QDBusMessage& call, const QString& reason)
{
    return call.createErrorReply(BusNames::errorInvalidArgs, reason);
}

} // namespace

ControlInterface::ControlInterface(Simulator* simulator) : m_simulator(simulator) { }

bool ControlInterface::hasMethod(const QString& method)
{
    return findMethod(method) != nullptr;
}

QString ControlInterface::introspectionXml()
{
    return QLatin1String(controlXml);
}

void ControlInterface::handle(const QDBusMessage& call)
{
    const MethodSignature* method = findMethod(call.member());
    if (!method) {
        m_simulator->send(CallRouting::unknownMethod(call));
        return;
    }
    if (call.signature() != method->input) {
        m_simulator->send(CallRouting::invalidArgs(call, method->input));
        return;
    }
    if (method->name == QLatin1String("Quit")) {
        m_simulator->quit(call);
        return;
    }
    m_simulator->send(answer(call));
}

QDBusMessage ControlInterface::answer(const QDBusMessage& call)
{
    ServiceState& state = m_simulator->state();
    const QString method = call.member();
    const QList<QVariant> arguments = call.arguments();
    if (method == QLatin1String("SetState")) {
        state.state = arguments.constFirst().toInt();
        state.outside = false;
    } else if (method == QLatin1String("SetError")) {
        state.error = arguments.constFirst().toInt();
    } else if (method == QLatin1String("SetUpdateDate")) {
        state.date = arguments.constFirst().toString();
    } else if (method == QLatin1String("SetVersion")) {
        state.version = arguments.constFirst().toString();
    } else if (method == QLatin1String("Script")) {
        return script(call);
    } else if (method == QLatin1String("ClearScripts")) {
        m_simulator->scripts().clear();
    } else if (method == QLatin1String("CallLog")) {
        return call.createReply(QVariant(m_simulator->callLog().entries()));
    } else if (method == QLatin1String("ClearCallLog")) {
        m_simulator->callLog().clear();
    } else if (method == QLatin1String("SetRegistered")) {
        QString error;
        if (!m_simulator->setServiceRegistered(arguments.constFirst().toBool(), &error))
            return call.createErrorReply(BusNames::errorNameTaken, error);
    } else if (method == QLatin1String("State")) {
        return call.createReply(QVariantList {state.state, state.error, state.date, state.version, state.outside});
    }
    return call.createReply();
}

QDBusMessage ControlInterface::script(const QDBusMessage& call)
{
    const QList<QVariant> arguments = call.arguments();
    const QString method = arguments.at(0).toString();
    const QString kindName = arguments.at(1).toString();
    const QVariant value = arguments.at(2).value<QDBusVariant>().variant();
    const int count = arguments.at(3).toInt();

    if (!UpdateServiceObject::inputSignature(method) && !AdminObject::hasMethod(method))
        return scriptRejected(call, QStringLiteral("no service method named \"%1\"").arg(method));
    const std::optional<ScriptEntry::Kind> kind = ScriptEntry::kindFromName(kindName);
    if (!kind)
        return scriptRejected(
            call, QStringLiteral("unknown script kind \"%1\" (value, error, delay, hang, vanish, exit)").arg(kindName));
    if (count != ScriptQueue::persistent && count < 1)
        return scriptRejected(call, QStringLiteral("count must be -1 or positive, not %1").arg(count));

    ScriptEntry entry;
    entry.kind = *kind;
    switch (entry.kind) {
    case ScriptEntry::Kind::Value:
        if (!value.isValid())
            return scriptRejected(call, QStringLiteral("a value script needs a value"));
        entry.value = value;
        break;
    case ScriptEntry::Kind::Error: {
        if (value.userType() != QMetaType::QString)
            return scriptRejected(call, QStringLiteral("an error script needs the error name as a string"));
        const QString name = value.toString();
        if (!name.isEmpty() && !CallRouting::isValidErrorName(name))
            return scriptRejected(call, QStringLiteral("\"%1\" is not a valid D-Bus error name").arg(name));
        entry.value = name;
        break;
    }
    case ScriptEntry::Kind::Delay: {
        const qlonglong milliseconds = value.toLongLong();
        if (!isIntegerType(value.userType()) || milliseconds < 0 || milliseconds > INT_MAX)
            return scriptRejected(call, QStringLiteral("a delay script needs a number of milliseconds"));
        entry.value = static_cast<int>(milliseconds);
        break;
    }
    case ScriptEntry::Kind::Hang:
    case ScriptEntry::Kind::Vanish:
    case ScriptEntry::Kind::Exit:
        break;
    }
    m_simulator->scripts().add(method, entry, count);
    return call.createReply();
}
