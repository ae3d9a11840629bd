#include "CallLog.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusSignature>
#include <QDBusVariant>
#include <QVariant>

void CallLog::record(const QDBusMessage& call)
{
    m_entries.append(format(call));
}

QString CallLog::format(const QDBusMessage& call)
{
    QStringList arguments;
    const QList<QVariant> values = call.arguments();
    for (const QVariant& value : values)
        arguments.append(formatArgument(value));
    return call.member() + QLatin1Char('(') + arguments.join(QLatin1Char(',')) + QLatin1Char(')');
}

QString CallLog::formatArgument(const QVariant& argument)
{
    const int type = argument.userType();
    if (type == QMetaType::Bool)
        return argument.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    // Strings are quoted so that a wrongly typed "1" is told apart from the int 1.
    if (type == QMetaType::QString)
        return QLatin1Char('"') + argument.toString() + QLatin1Char('"');
    if (type == QMetaType::Double)
        return QString::number(argument.toDouble());
    if (type == qMetaTypeId<QDBusVariant>())
        return formatArgument(argument.value<QDBusVariant>().variant());
    if (type == qMetaTypeId<QDBusObjectPath>())
        return argument.value<QDBusObjectPath>().path();
    if (type == qMetaTypeId<QDBusSignature>())
        return argument.value<QDBusSignature>().signature();
    if (type == qMetaTypeId<QDBusArgument>())
        return QLatin1Char('<') + argument.value<QDBusArgument>().currentSignature() + QLatin1Char('>');
    if (argument.canConvert<QString>())
        return argument.toString();
    return QStringLiteral("<?>");
}
