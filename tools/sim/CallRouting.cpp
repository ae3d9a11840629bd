#include "CallRouting.h"

#include "BusNames.h"

#include <QDBusMessage>
#include <QStringList>

bool CallRouting::isStandardInterface(const QString& interface)
{
    return interface == QLatin1String("org.freedesktop.DBus.Introspectable") ||
        interface == QLatin1String("org.freedesktop.DBus.Properties") ||
        interface == QLatin1String("org.freedesktop.DBus.Peer");
}

bool CallRouting::isStandardMember(const QString& member)
{
    static const QStringList members = {QStringLiteral("Introspect"), QStringLiteral("Get"), QStringLiteral("Set"),
        QStringLiteral("GetAll"), QStringLiteral("Ping"), QStringLiteral("GetMachineId")};
    return members.contains(member);
}

bool CallRouting::isValidErrorName(const QString& name)
{
    if (name.size() > 255)
        return false;
    const QVector<QStringRef> elements = name.splitRef(QLatin1Char('.'));
    if (elements.size() < 2)
        return false;
    for (const QStringRef& element : elements) {
        if (element.isEmpty() || element.at(0).isDigit())
            return false;
        for (const QChar c : element) {
            const bool allowed = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                c == QLatin1Char('_');
            if (!allowed)
                return false;
        }
    }
    return true;
}

QDBusMessage CallRouting::unknownMethod(const QDBusMessage& call)
{
    return call.createErrorReply(BusNames::errorUnknownMethod,
        QStringLiteral("No method %1 with signature \"%2\" in interface \"%3\" at %4")
            .arg(call.member(), call.signature(), call.interface(), call.path()));
}

QDBusMessage CallRouting::invalidArgs(const QDBusMessage& call, const QString& expectedSignature)
{
    return call.createErrorReply(BusNames::errorInvalidArgs,
        QStringLiteral("%1 takes arguments \"%2\", got \"%3\"")
            .arg(call.member(), expectedSignature, call.signature()));
}
