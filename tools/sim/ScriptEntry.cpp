#include "ScriptEntry.h"

std::optional<ScriptEntry::Kind> ScriptEntry::kindFromName(const QString& name)
{
    if (name == QLatin1String("value"))
        return Kind::Value;
    if (name == QLatin1String("error"))
        return Kind::Error;
    if (name == QLatin1String("delay"))
        return Kind::Delay;
    if (name == QLatin1String("hang"))
        return Kind::Hang;
    if (name == QLatin1String("vanish"))
        return Kind::Vanish;
    if (name == QLatin1String("exit"))
        return Kind::Exit;
    return std::nullopt;
}
