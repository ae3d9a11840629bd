// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "NotificationRecorder.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QJsonDocument>

bool NotificationRecorder::control(const QString& method, const QVariantList& arguments, QVariantList* reply) const
{
    // The recorder answers the test on its notification interface.
    const QString name = QStringLiteral("org.freedesktop.Notifications");
    QDBusMessage call =
        QDBusMessage::createMethodCall(name, QStringLiteral("/org/freedesktop/Notifications"), name, method);
    call.setArguments(arguments);
    const QDBusMessage answer = QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
    if (reply) {
        *reply = answer.arguments();
    }
    return answer.type() == QDBusMessage::ReplyMessage && answer.arguments().value(0, true).toBool();
}

QJsonArray NotificationRecorder::log() const
{
    QVariantList reply;
    control(QStringLiteral("Log"), {}, &reply);
    return QJsonDocument::fromJson(reply.value(0).toString().toUtf8()).array();
}

QList<QJsonObject> NotificationRecorder::calls(const QString& call) const
{
    QList<QJsonObject> found;
    const QJsonArray entries = log();
    for (const QJsonValue& entry : entries) {
        if (entry[QLatin1String("call")].toString() == call) {
            found.append(entry.toObject());
        }
    }
    return found;
}

QJsonObject NotificationRecorder::lastNotify() const
{
    const QList<QJsonObject> notifies = calls(QStringLiteral("Notify"));
    return notifies.value(notifies.size() - 1);
}

QList<qint64> NotificationRecorder::open() const
{
    QList<qint64> shown;
    const QJsonArray entries = log();
    for (const QJsonValue& entry : entries) {
        const qint64 id = entry[QLatin1String("id")].toVariant().toLongLong();
        if (entry[QLatin1String("call")].toString() == QLatin1String("Notify")) {
            if (!shown.contains(id)) {
                shown.append(id);
            }
        } else {
            shown.removeAll(id);
        }
    }
    return shown;
}
