#pragma once

#include <QString>
#include <QVariant>

#include <optional>

// Reads a typed value written as "i:4", "s:text", "b:true", "d:1.5" (also u, x, t, n, q, y, o, g).
class ValueParser
{
public:
    static std::optional<QVariant> parseTyped(const QString& text);
    static QString typeHelp();
};
