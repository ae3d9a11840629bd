#pragma once

#include <QString>
#include <QVariant>

#include <optional>

// One scripted reply to a service method call.
struct ScriptEntry
{
    enum class Kind { Value, Error, Delay, Hang, Vanish, Exit };

    Kind kind = Kind::Value;
    // The reply value, the error name or the delay in milliseconds, depending on kind.
    QVariant value;

    static std::optional<Kind> kindFromName(const QString& name);
};
