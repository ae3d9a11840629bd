#include "ValueParser.h"

#include <QDBusObjectPath>
#include <QDBusSignature>

#include <limits>

namespace {

template<typename T>
std::optional<QVariant> bounded(const QString& text)
{
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok || value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max())
        return std::nullopt;
    return QVariant::fromValue(static_cast<T>(value));
}

} // namespace

std::optional<QVariant> ValueParser::parseTyped(const QString& text)
{
    if (text.size() < 2 || text.at(1) != QLatin1Char(':'))
        return std::nullopt;
    const QChar type = text.at(0);
    const QString body = text.mid(2);
    bool ok = false;
    switch (type.toLatin1()) {
    case 's':
        return QVariant(body);
    case 'b':
        if (body == QLatin1String("true") || body == QLatin1String("1"))
            return QVariant(true);
        if (body == QLatin1String("false") || body == QLatin1String("0"))
            return QVariant(false);
        return std::nullopt;
    case 'i':
        return bounded<qint32>(body);
    case 'u':
        return bounded<quint32>(body);
    case 'n':
        return bounded<qint16>(body);
    case 'q':
        return bounded<quint16>(body);
    case 'y':
        return bounded<uchar>(body);
    case 'x': {
        const qlonglong value = body.toLongLong(&ok);
        return ok ? std::optional<QVariant>(QVariant(value)) : std::nullopt;
    }
    case 't': {
        const qulonglong value = body.toULongLong(&ok);
        return ok ? std::optional<QVariant>(QVariant(value)) : std::nullopt;
    }
    case 'd': {
        const double value = body.toDouble(&ok);
        return ok ? std::optional<QVariant>(QVariant(value)) : std::nullopt;
    }
    case 'o': {
        const QDBusObjectPath path(body);
        return path.path().isEmpty() ? std::nullopt : std::optional<QVariant>(QVariant::fromValue(path));
    }
    case 'g': {
        const QDBusSignature signature(body);
        return signature.signature().isEmpty() && !body.isEmpty()
            ? std::nullopt
            : std::optional<QVariant>(QVariant::fromValue(signature));
    }
    default:
        return std::nullopt;
    }
}

QString ValueParser::typeHelp()
{
    return QStringLiteral("i:N u:N x:N t:N n:N q:N y:N d:REAL b:true|false s:TEXT o:PATH g:SIGNATURE");
}
