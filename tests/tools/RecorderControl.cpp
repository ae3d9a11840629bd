#include "RecorderControl.h"

#include "NotificationServer.h"
#include "RecorderLog.h"

#include <QJsonDocument>

RecorderControl::RecorderControl(NotificationServer* server, RecorderLog* log, QObject* parent)
    : QObject(parent), m_server(server), m_log(log)
{
}

QString RecorderControl::Log() const
{
    return QString::fromUtf8(QJsonDocument(m_log->entries()).toJson(QJsonDocument::Compact));
}

void RecorderControl::Clear()
{
    m_log->clear();
}

bool RecorderControl::InvokeAction(uint id, const QString& key)
{
    return m_server->invokeAction(id, key);
}

bool RecorderControl::Close(uint id, uint reason)
{
    return m_server->close(id, reason);
}

QList<uint> RecorderControl::Live() const
{
    return m_server->liveIds();
}
