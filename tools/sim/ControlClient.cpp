#include "ControlClient.h"

#include "Simulator.h"
#include "ValueParser.h"

#include <QDBusMessage>
#include <QDBusVariant>

#include <cstdio>

namespace {

constexpr int callTimeoutMs = 10000;

int usageError(const QString& message)
{
    std::fprintf(stderr, "tarno-update-service-sim ctl: %s\n%s", qUtf8Printable(message),
        qUtf8Printable(ControlClient::usage()));
    return ControlClient::UsageError;
}

void print(const QString& line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
}

bool parseInt(const QString& text, int* value)
{
    bool ok = false;
    *value = text.toInt(&ok);
    return ok;
}

} // namespace

ControlClient::ControlClient(const QDBusConnection& bus) : m_bus(bus) { }

QString ControlClient::usage()
{
    return QStringLiteral("usage: tarno-update-service-sim ctl [--bus system|session] COMMAND [ARGS]\n"
                          "commands:\n"
                          "  state N | error N | date TEXT | version TEXT\n"
                          "  script METHOD KIND [VALUE] [COUNT]\n"
                          "      KIND value (VALUE typed: %1),\n"
                          "           error (VALUE an error name, may be empty), delay (VALUE milliseconds),\n"
                          "           hang, vanish, exit (no VALUE); COUNT defaults to 1, -1 means every call\n"
                          "  clear-scripts | log | clear-log | register on|off | show | quit\n")
        .arg(ValueParser::typeHelp());
}

int ControlClient::run(const QStringList& arguments)
{
    std::optional<QDBusConnection> bus = Simulator::bus(QStringLiteral("system"));
    int index = 0;
    while (index < arguments.size() && arguments.at(index).startsWith(QLatin1String("--"))) {
        const QString option = arguments.at(index);
        if (option == QLatin1String("--help")) {
            std::fputs(usage().toUtf8().constData(), stdout);
            return Success;
        }
        QString value;
        if (option.startsWith(QLatin1String("--bus="))) {
            value = option.mid(6);
        } else if (option == QLatin1String("--bus") && index + 1 < arguments.size()) {
            value = arguments.at(++index);
        } else {
            return usageError(QStringLiteral("unknown option \"%1\"").arg(option));
        }
        bus = Simulator::bus(value);
        if (!bus)
            return usageError(QStringLiteral("--bus must be system or session"));
        ++index;
    }
    if (index >= arguments.size())
        return usageError(QStringLiteral("no command given"));

    const QString command = arguments.at(index);
    ControlClient client(*bus);
    return client.execute(command, arguments.mid(index + 1));
}

int ControlClient::execute(const QString& command, const QStringList& arguments)
{
    const auto expectCount = [&](int count) {
        return arguments.size() == count;
    };

    if (command == QLatin1String("state") || command == QLatin1String("error")) {
        int value = 0;
        if (!expectCount(1) || !parseInt(arguments.at(0), &value))
            return usageError(QStringLiteral("%1 needs one integer").arg(command));
        const QString method =
            command == QLatin1String("state") ? QStringLiteral("SetState") : QStringLiteral("SetError");
        return call(method, {value}) ? Success : Failure;
    }
    if (command == QLatin1String("date") || command == QLatin1String("version")) {
        if (!expectCount(1))
            return usageError(QStringLiteral("%1 needs one text argument").arg(command));
        const QString method =
            command == QLatin1String("date") ? QStringLiteral("SetUpdateDate") : QStringLiteral("SetVersion");
        return call(method, {arguments.at(0)}) ? Success : Failure;
    }
    if (command == QLatin1String("script"))
        return script(arguments);
    if (command == QLatin1String("register")) {
        if (!expectCount(1) || (arguments.at(0) != QLatin1String("on") && arguments.at(0) != QLatin1String("off")))
            return usageError(QStringLiteral("register needs on or off"));
        return call(QStringLiteral("SetRegistered"), {arguments.at(0) == QLatin1String("on")}) ? Success : Failure;
    }

    if (!expectCount(0))
        return usageError(QStringLiteral("%1 takes no arguments").arg(command));
    if (command == QLatin1String("clear-scripts"))
        return call(QStringLiteral("ClearScripts"), {}) ? Success : Failure;
    if (command == QLatin1String("clear-log"))
        return call(QStringLiteral("ClearCallLog"), {}) ? Success : Failure;
    if (command == QLatin1String("quit"))
        return call(QStringLiteral("Quit"), {}) ? Success : Failure;
    if (command == QLatin1String("log")) {
        QDBusMessage reply;
        if (!call(QStringLiteral("CallLog"), {}, &reply))
            return Failure;
        const QStringList entries = reply.arguments().value(0).toStringList();
        for (const QString& entry : entries)
            print(entry);
        return Success;
    }
    if (command == QLatin1String("show")) {
        QDBusMessage reply;
        if (!call(QStringLiteral("State"), {}, &reply))
            return Failure;
        const QList<QVariant> values = reply.arguments();
        if (values.size() != 5) {
            std::fprintf(stderr, "tarno-update-service-sim ctl: unexpected reply to State\n");
            return Failure;
        }
        print(QStringLiteral("state %1").arg(values.at(0).toInt()));
        print(QStringLiteral("error %1").arg(values.at(1).toInt()));
        print(QStringLiteral("date %1").arg(values.at(2).toString()));
        print(QStringLiteral("version %1").arg(values.at(3).toString()));
        print(
            QStringLiteral("outside %1").arg(values.at(4).toBool() ? QStringLiteral("true") : QStringLiteral("false")));
        return Success;
    }
    return usageError(QStringLiteral("unknown command \"%1\"").arg(command));
}

int ControlClient::script(const QStringList& arguments)
{
    if (arguments.size() < 2 || arguments.size() > 4)
        return usageError(QStringLiteral("script needs METHOD KIND [VALUE] [COUNT]"));
    const QString method = arguments.at(0);
    const QString kindName = arguments.at(1);
    if (!Simulator::scriptKinds.contains(kindName))
        return usageError(QStringLiteral("unknown script kind \"%1\"").arg(kindName));
    const bool isValue = kindName == QLatin1String("value");
    const bool isDelay = kindName == QLatin1String("delay");

    // Kinds without a value take a lone trailing argument as the count.
    const bool takesValue = isValue || isDelay || kindName == QLatin1String("error");
    QStringList rest = arguments.mid(2);
    std::optional<QString> valueText;
    if (!rest.isEmpty() && (takesValue || rest.size() == 2))
        valueText = rest.takeFirst();
    int count = 1;
    if (!rest.isEmpty() && (!parseInt(rest.at(0), &count) || (count != -1 && count < 1)))
        return usageError(QStringLiteral("COUNT must be -1 or a positive integer"));

    QVariant value = QString();
    if (valueText) {
        const std::optional<QVariant> typed = ValueParser::parseTyped(*valueText);
        if (typed) {
            value = *typed;
        } else if (isValue) {
            return usageError(QStringLiteral("cannot read the value \"%1\"; write it as %2")
                                  .arg(*valueText, ValueParser::typeHelp()));
        } else if (isDelay) {
            int milliseconds = 0;
            if (!parseInt(*valueText, &milliseconds) || milliseconds < 0)
                return usageError(QStringLiteral("delay needs a number of milliseconds"));
            value = milliseconds;
        } else {
            value = *valueText;
        }
    } else if (isValue || isDelay) {
        return usageError(QStringLiteral("script kind %1 needs a VALUE").arg(kindName));
    }
    return call(QStringLiteral("Script"), {method, kindName, QVariant::fromValue(QDBusVariant(value)), count})
        ? Success
        : Failure;
}

bool ControlClient::call(const QString& method, const QVariantList& arguments, QDBusMessage* reply)
{
    if (!m_bus.isConnected()) {
        std::fprintf(stderr, "tarno-update-service-sim ctl: cannot connect to the bus: %s\n",
            qUtf8Printable(m_bus.lastError().message()));
        return false;
    }
    QDBusMessage message =
        QDBusMessage::createMethodCall(Simulator::controlName, Simulator::servicePath, Simulator::controlName, method);
    message.setArguments(arguments);
    const QDBusMessage answer = m_bus.call(message, QDBus::Block, callTimeoutMs);
    if (answer.type() != QDBusMessage::ReplyMessage) {
        std::fprintf(stderr, "tarno-update-service-sim ctl: %s failed: %s (%s)\n", qUtf8Printable(method),
            qUtf8Printable(answer.errorMessage()), qUtf8Printable(answer.errorName()));
        return false;
    }
    if (reply)
        *reply = answer;
    return true;
}
