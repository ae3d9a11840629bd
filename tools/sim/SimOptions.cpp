#include "SimOptions.h"

#include <QByteArray>

namespace {

bool parseInt(const QString& text, int* value)
{
    bool ok = false;
    *value = text.toInt(&ok);
    return ok;
}

} // namespace

std::optional<SimOptions::Bus> SimOptions::busFromName(const QString& name)
{
    if (name == QLatin1String("system"))
        return Bus::System;
    if (name == QLatin1String("session"))
        return Bus::Session;
    return std::nullopt;
}

QDBusConnection SimOptions::connection(Bus bus)
{
    return bus == Bus::Session ? QDBusConnection::sessionBus() : QDBusConnection::systemBus();
}

std::optional<SimOptions> SimOptions::parse(int argc, char** argv, QString* error)
{
    SimOptions options;
    options.sysroot = QString::fromLocal8Bit(qgetenv("ZIB_NOTIFIER_SYSROOT"));

    for (int i = 1; i < argc; ++i) {
        QString name = QString::fromLocal8Bit(argv[i]);
        std::optional<QString> inlineValue;
        const int equals = name.indexOf(QLatin1Char('='));
        if (name.startsWith(QLatin1String("--")) && equals > 0) {
            inlineValue = name.mid(equals + 1);
            name.truncate(equals);
        }
        const auto takeValue = [&](QString* value) {
            if (inlineValue) {
                *value = *inlineValue;
                return true;
            }
            if (i + 1 >= argc) {
                *error = QStringLiteral("option %1 needs a value").arg(name);
                return false;
            }
            *value = QString::fromLocal8Bit(argv[++i]);
            return true;
        };
        const auto noValue = [&]() {
            if (inlineValue) {
                *error = QStringLiteral("option %1 takes no value").arg(name);
                return false;
            }
            return true;
        };

        QString value;
        if (name == QLatin1String("--bus")) {
            if (!takeValue(&value))
                return std::nullopt;
            const std::optional<Bus> bus = busFromName(value);
            if (!bus) {
                *error = QStringLiteral("--bus must be system or session, not \"%1\"").arg(value);
                return std::nullopt;
            }
            options.bus = *bus;
        } else if (name == QLatin1String("--state") || name == QLatin1String("--error")) {
            if (!takeValue(&value))
                return std::nullopt;
            int number = 0;
            if (!parseInt(value, &number)) {
                *error = QStringLiteral("%1 needs an integer, not \"%2\"").arg(name, value);
                return std::nullopt;
            }
            (name == QLatin1String("--state") ? options.state : options.error) = number;
        } else if (name == QLatin1String("--date")) {
            if (!takeValue(&options.date))
                return std::nullopt;
        } else if (name == QLatin1String("--version")) {
            if (!takeValue(&options.version))
                return std::nullopt;
        } else if (name == QLatin1String("--sysroot")) {
            if (!takeValue(&options.sysroot))
                return std::nullopt;
        } else if (name == QLatin1String("--no-pose")) {
            if (!noValue())
                return std::nullopt;
            options.pose = false;
        } else if (name == QLatin1String("--posed")) {
            if (!noValue())
                return std::nullopt;
            options.posed = true;
        } else if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
            options.help = true;
        } else {
            *error = QStringLiteral("unknown argument \"%1\"").arg(name);
            return std::nullopt;
        }
    }
    if (options.sysroot.isEmpty())
        options.sysroot = QStringLiteral("/");
    return options;
}

QString SimOptions::usage()
{
    return QStringLiteral(
        "usage: tarno-update-service-sim [--bus system|session] [--state N] [--error N]\n"
        "                                [--date \"hh:mm dd.MM.yyyy\"] [--version TEXT] [--no-pose] [--sysroot DIR]\n"
        "       tarno-update-service-sim ctl [--bus system|session] COMMAND [ARGS]   (ctl --help for commands)\n");
}
