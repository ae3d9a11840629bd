#include "DbusJson.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusSignature>
#include <QDBusVariant>
#include <QJsonArray>

namespace {
QJsonValue fromArgument(const QDBusArgument& argument)
{
    switch (argument.currentType()) {
    case QDBusArgument::BasicType:
    case QDBusArgument::VariantType:
        return DbusJson::fromVariant(argument.asVariant());
    case QDBusArgument::ArrayType: {
        QJsonArray array;
        argument.beginArray();
        while (!argument.atEnd())
            array.append(fromArgument(argument));
        argument.endArray();
        return array;
    }
    case QDBusArgument::StructureType: {
        QJsonArray fields;
        argument.beginStructure();
        while (!argument.atEnd())
            fields.append(fromArgument(argument));
        argument.endStructure();
        return fields;
    }
    case QDBusArgument::MapType: {
        QJsonObject map;
        argument.beginMap();
        while (!argument.atEnd()) {
            argument.beginMapEntry();
            const QJsonValue key = fromArgument(argument);
            const QJsonValue value = fromArgument(argument);
            argument.endMapEntry();
            map.insert(key.isString() ? key.toString() : QString::number(key.toDouble()), value);
        }
        argument.endMap();
        return map;
    }
    case QDBusArgument::MapEntryType:
    case QDBusArgument::UnknownType:
        break;
    }
    return QJsonValue();
}
} // namespace

QJsonValue DbusJson::fromVariant(const QVariant& value)
{
    const int type = value.userType();
    switch (type) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return value.toDouble();
    case QMetaType::QString:
        return value.toString();
    case QMetaType::QStringList:
        return QJsonArray::fromStringList(value.toStringList());
    case QMetaType::QByteArray: {
        QJsonArray bytes;
        for (const char byte : value.toByteArray())
            bytes.append(static_cast<unsigned char>(byte));
        return bytes;
    }
    default:
        break;
    }
    if (type == qMetaTypeId<QDBusVariant>())
        return fromVariant(value.value<QDBusVariant>().variant());
    if (type == qMetaTypeId<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    if (type == qMetaTypeId<QDBusSignature>())
        return value.value<QDBusSignature>().signature();
    if (type == qMetaTypeId<QDBusArgument>())
        return fromArgument(value.value<QDBusArgument>());
    return QString::fromLatin1(value.typeName() ? value.typeName() : "<unknown>");
}

QJsonObject DbusJson::fromHints(const QVariantMap& hints)
{
    QJsonObject result;
    for (auto it = hints.cbegin(); it != hints.cend(); ++it) {
        const bool isImage = it.key() == QLatin1String("image-data") || it.key() == QLatin1String("image_data") ||
            it.key() == QLatin1String("icon_data");
        result.insert(it.key(), isImage ? QJsonValue(QStringLiteral("<image>")) : fromVariant(it.value()));
    }
    return result;
}
