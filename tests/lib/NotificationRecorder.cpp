#include "NotificationRecorder.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QJsonDocument>

namespace {
const QString recorderName = QStringLiteral("org.zib.test.NotificationRecorder");

QDBusMessage control(const QString& method, const QVariantList& arguments = {})
{
    QDBusMessage call = QDBusMessage::createMethodCall(recorderName, QStringLiteral("/recorder"), recorderName, method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
}

bool succeeded(const QDBusMessage& reply)
{
    return reply.type() == QDBusMessage::ReplyMessage &&
        (reply.arguments().isEmpty() || reply.arguments().constFirst().toBool());
}
} // namespace

bool NotificationRecorder::start(const QStringList& arguments)
{
    return m_process.start(QStringLiteral(ZIB_RECORDER_PATH), arguments);
}

QJsonArray NotificationRecorder::log() const
{
    const QDBusMessage reply = control(QStringLiteral("Log"));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return {};
    }
    return QJsonDocument::fromJson(reply.arguments().constFirst().toString().toUtf8()).array();
}

QList<QJsonObject> NotificationRecorder::calls(const QString& call) const
{
    QList<QJsonObject> found;
    const QJsonArray entries = log();
    for (const QJsonValue& entry : entries) {
        if (entry.toObject().value(QLatin1String("call")).toString() == call) {
            found.append(entry.toObject());
        }
    }
    return found;
}

QJsonObject NotificationRecorder::lastNotify() const
{
    const QList<QJsonObject> notifies = calls(QStringLiteral("Notify"));
    return notifies.isEmpty() ? QJsonObject() : notifies.constLast();
}

bool NotificationRecorder::clear() const
{
    return succeeded(control(QStringLiteral("Clear")));
}

bool NotificationRecorder::invokeAction(uint id, const QString& key) const
{
    return succeeded(control(QStringLiteral("InvokeAction"), {id, key}));
}

bool NotificationRecorder::close(uint id, uint reason) const
{
    return succeeded(control(QStringLiteral("Close"), {id, reason}));
}
