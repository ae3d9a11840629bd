#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QVariantMap>

// Converts values received over D-Bus (including nested variants, structs and dicts) to JSON.
namespace DbusJson {
QJsonValue fromVariant(const QVariant& value);
// Notification hints; image payloads are replaced by the string "<image>".
QJsonObject fromHints(const QVariantMap& hints);
} // namespace DbusJson
