// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "ControlClient.h"

#include "Simulator.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusSignature>
#include <QDBusVariant>

#include <cstdio>
#include <optional>

namespace {

const char typeHelp[] = "i:N u:N x:N t:N n:N q:N y:N d:REAL b:true|false s:TEXT o:PATH g:SIGNATURE";
const char usage[] = "usage: tarno-update-service-sim ctl [--bus system|session] COMMAND [ARGS]\n"
                     "commands:\n"
                     "  state N | error N | date TEXT | version TEXT\n"
                     "  script METHOD KIND [VALUE] [COUNT]\n"
                     "      KIND value (VALUE typed: %1),\n"
                     "           error (VALUE an error name, may be empty), delay (VALUE milliseconds),\n"
                     "           hang, vanish, exit (no VALUE); COUNT defaults to 1, -1 means every call\n"
                     "  upgrade ready|activated|forced TARGET [\"hh:mm dd.MM.yyyy\"] | upgrade off\n"
                     "      writes the upgrade report (mode, end date) and the target release, or removes both\n"
                     "  stamp KIND [REASON]\n"
                     "      leaves a result stamp for the notifier's next start; KIND as removeUpgradeResultStamp:\n"
                     "      0 update unsuccessful (REASON: one digit), 1 update successful,\n"
                     "      2 upgrade aborted, 3 upgrade successful\n"
                     "  clear-scripts | log | clear-log | register on|off | show | quit\n";

void print(const QString& text)
{
    std::fputs(qUtf8Printable(text), stdout);
}

int usageError(const QString& message)
{
    std::fprintf(stderr, "tarno-update-service-sim ctl: %s\n%s", qUtf8Printable(message),
        qUtf8Printable(QString::fromLatin1(usage).arg(QLatin1String(typeHelp))));
    return 2;
}

// A value written with its D-Bus type, as in "i:4" or "s:text".
std::optional<QVariant> parseTyped(const QString& text)
{
    static const QHash<QChar, int> integers = {{QLatin1Char('y'), QMetaType::UChar},
        {QLatin1Char('n'), QMetaType::Short}, {QLatin1Char('q'), QMetaType::UShort}, {QLatin1Char('i'), QMetaType::Int},
        {QLatin1Char('u'), QMetaType::UInt}, {QLatin1Char('x'), QMetaType::LongLong}};
    const QChar type = text.size() > 1 && text.at(1) == QLatin1Char(':') ? text.at(0) : QChar();
    const QString body = text.mid(2);
    bool ok = false;
    QVariant value;
    if (integers.contains(type)) {
        const qlonglong number = body.toLongLong(&ok);
        value = number;
        // A number out of the type's range does not come back unchanged.
        ok = ok && value.convert(integers.value(type)) && value.toLongLong() == number;
    } else if (type == QLatin1Char('t')) {
        value = body.toULongLong(&ok);
    } else if (type == QLatin1Char('d')) {
        value = body.toDouble(&ok);
    } else if (type == QLatin1Char('s')) {
        value = body;
        ok = true;
    } else if (type == QLatin1Char('b')) {
        value = body == QLatin1String("true") || body == QLatin1String("1");
        ok = value.toBool() || body == QLatin1String("false") || body == QLatin1String("0");
    } else if (type == QLatin1Char('o')) {
        // An invalid path or signature comes back empty; QtDBus cannot send an empty signature either.
        value = QVariant::fromValue(QDBusObjectPath(body));
        ok = !value.value<QDBusObjectPath>().path().isEmpty();
    } else if (type == QLatin1Char('g')) {
        value = QVariant::fromValue(QDBusSignature(body));
        ok = !value.value<QDBusSignature>().signature().isEmpty();
    }
    return ok ? std::optional<QVariant>(value) : std::nullopt;
}

} // namespace

int ControlClient::run(const QStringList& arguments)
{
    QString busName = QStringLiteral("system");
    int index = 0;
    for (; index < arguments.size() && arguments.at(index).startsWith(QLatin1String("--")); ++index) {
        const QString option = arguments.at(index);
        if (option == QLatin1String("--help")) {
            print(QString::fromLatin1(usage).arg(QLatin1String(typeHelp)));
            return 0;
        }
        if (option.startsWith(QLatin1String("--bus=")))
            busName = option.mid(6);
        else if (option == QLatin1String("--bus") && index + 1 < arguments.size())
            busName = arguments.at(++index);
        else
            return usageError(QStringLiteral("unknown option \"%1\"").arg(option));
    }
    const std::optional<QDBusConnection> bus = Simulator::bus(busName);
    if (!bus)
        return usageError(QStringLiteral("--bus must be system or session"));
    if (index >= arguments.size())
        return usageError(QStringLiteral("no command given"));
    return ControlClient(*bus).execute(arguments.at(index), arguments.mid(index + 1));
}

int ControlClient::execute(const QString& command, const QStringList& arguments)
{
    if (command == QLatin1String("script"))
        return script(arguments);
    if (command == QLatin1String("state") || command == QLatin1String("error")) {
        bool ok = false;
        const int value = arguments.value(0).toInt(&ok);
        if (arguments.size() != 1 || !ok)
            return usageError(QStringLiteral("%1 needs one integer").arg(command));
        return call(
            command == QLatin1String("state") ? QStringLiteral("SetState") : QStringLiteral("SetError"), {value});
    }
    if (command == QLatin1String("date") || command == QLatin1String("version")) {
        if (arguments.size() != 1)
            return usageError(QStringLiteral("%1 needs one text argument").arg(command));
        return call(command == QLatin1String("date") ? QStringLiteral("SetUpdateDate") : QStringLiteral("SetVersion"),
            {arguments.constFirst()});
    }
    if (command == QLatin1String("upgrade")) {
        const bool off = arguments.value(0) == QLatin1String("off");
        if (off ? arguments.size() != 1 : arguments.size() < 2 || arguments.size() > 3)
            return usageError(QStringLiteral("upgrade needs MODE TARGET [END], or off"));
        return call(QStringLiteral("SetUpgrade"), {arguments.at(0), arguments.value(1), arguments.value(2)});
    }
    if (command == QLatin1String("stamp")) {
        bool kindOk = false;
        bool reasonOk = true;
        const int kind = arguments.value(0).toInt(&kindOk);
        const int reason = arguments.size() == 2 ? arguments.at(1).toInt(&reasonOk) : -1;
        if (arguments.isEmpty() || arguments.size() > 2 || !kindOk || !reasonOk)
            return usageError(QStringLiteral("stamp needs KIND and an optional REASON, both integers"));
        return call(QStringLiteral("LeaveStamp"), {kind, reason});
    }
    if (command == QLatin1String("register")) {
        const QString value = arguments.value(0);
        if (arguments.size() != 1 || (value != QLatin1String("on") && value != QLatin1String("off")))
            return usageError(QStringLiteral("register needs on or off"));
        return call(QStringLiteral("SetRegistered"), {value == QLatin1String("on")});
    }

    static const QHash<QString, QString> withoutArguments = {
        {QStringLiteral("clear-scripts"), QStringLiteral("ClearScripts")},
        {QStringLiteral("clear-log"), QStringLiteral("ClearCallLog")}, {QStringLiteral("quit"), QStringLiteral("Quit")},
        {QStringLiteral("log"), QStringLiteral("CallLog")}, {QStringLiteral("show"), QStringLiteral("State")}};
    if (!withoutArguments.contains(command))
        return usageError(QStringLiteral("unknown command \"%1\"").arg(command));
    if (!arguments.isEmpty())
        return usageError(QStringLiteral("%1 takes no arguments").arg(command));
    QVariantList reply;
    if (call(withoutArguments.value(command), {}, &reply) != 0)
        return 1;
    if (command == QLatin1String("log")) {
        const QStringList entries = reply.value(0).toStringList();
        for (const QString& entry : entries)
            print(entry + QLatin1Char('\n'));
    } else if (command == QLatin1String("show")) {
        if (reply.size() != 5) {
            std::fputs("tarno-update-service-sim ctl: unexpected reply to State\n", stderr);
            return 1;
        }
        print(QStringLiteral("state %1\nerror %2\ndate %3\nversion %4\noutside %5\n")
                  .arg(reply.at(0).toString(), reply.at(1).toString(), reply.at(2).toString(), reply.at(3).toString(),
                      reply.at(4).toString()));
    }
    return 0;
}

// Checks the shape of the command line; the simulator checks the kind, the count and the value.
int ControlClient::script(const QStringList& arguments)
{
    if (arguments.size() < 2 || arguments.size() > 4)
        return usageError(QStringLiteral("script needs METHOD KIND [VALUE] [COUNT]"));
    const QString kind = arguments.at(1);
    const bool isValue = kind == QLatin1String("value");
    const bool isDelay = kind == QLatin1String("delay");

    // Kinds without a value take a lone trailing argument as the count.
    QStringList rest = arguments.mid(2);
    std::optional<QString> valueText;
    if (!rest.isEmpty() && (isValue || isDelay || kind == QLatin1String("error") || rest.size() == 2))
        valueText = rest.takeFirst();
    bool ok = true;
    const int count = rest.isEmpty() ? 1 : rest.constFirst().toInt(&ok);
    if (!ok)
        return usageError(QStringLiteral("COUNT must be -1 or a positive integer"));

    QVariant value = QString();
    if (!valueText) {
        if (isValue || isDelay)
            return usageError(QStringLiteral("script kind %1 needs a VALUE").arg(kind));
    } else if (const std::optional<QVariant> typed = parseTyped(*valueText)) {
        value = *typed;
    } else if (isValue) {
        return usageError(
            QStringLiteral("cannot read the value \"%1\"; write it as %2").arg(*valueText, QLatin1String(typeHelp)));
    } else {
        // A plain delay is a number; the simulator reads it.
        value = *valueText;
    }
    return call(QStringLiteral("Script"), {arguments.at(0), kind, QVariant::fromValue(QDBusVariant(value)), count});
}

int ControlClient::call(const QString& method, const QVariantList& arguments, QVariantList* reply)
{
    QDBusMessage message =
        QDBusMessage::createMethodCall(Simulator::controlName, Simulator::servicePath, Simulator::controlName, method);
    message.setArguments(arguments);
    const QDBusMessage answer = m_bus.call(message, QDBus::Block, 10000);
    if (answer.type() != QDBusMessage::ReplyMessage) {
        std::fprintf(stderr, "tarno-update-service-sim ctl: %s failed: %s (%s)\n", qUtf8Printable(method),
            qUtf8Printable(answer.errorMessage()), qUtf8Printable(answer.errorName()));
        return 1;
    }
    if (reply)
        *reply = answer.arguments();
    return 0;
}
