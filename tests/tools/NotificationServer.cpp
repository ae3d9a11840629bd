#include "NotificationServer.h"

#include "DbusJson.h"
#include "RecorderLog.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>

namespace {
QJsonObject callEntry(const char* name)
{
    return QJsonObject {{QStringLiteral("call"), QString::fromLatin1(name)}};
}
} // namespace

NotificationServer::NotificationServer(RecorderLog* log, QObject* parent) : QObject(parent), m_log(log) { }

bool NotificationServer::invokeAction(uint id, const QString& actionKey)
{
    if (!m_live.contains(id))
        return false;
    Q_EMIT ActionInvoked(id, actionKey);
    return close(id, Dismissed);
}

bool NotificationServer::close(uint id, uint reason)
{
    if (!m_live.remove(id))
        return false;
    Q_EMIT NotificationClosed(id, reason);
    return true;
}

QList<uint> NotificationServer::liveIds() const
{
    QList<uint> ids = m_live.values();
    std::sort(ids.begin(), ids.end());
    return ids;
}

QStringList NotificationServer::GetCapabilities()
{
    m_log->append(callEntry("GetCapabilities"));
    return {QStringLiteral("actions"), QStringLiteral("body"), QStringLiteral("body-markup"),
        QStringLiteral("icon-static"), QStringLiteral("persistence")};
}

QString NotificationServer::GetServerInformation(QString& vendor, QString& version, QString& spec_version)
{
    m_log->append(callEntry("GetServerInformation"));
    vendor = QStringLiteral("zib-tests");
    version = QStringLiteral("1.0");
    spec_version = QStringLiteral("1.2");
    return QStringLiteral("notification-recorder");
}

uint NotificationServer::Notify(const QString& app_name, uint replaces_id, const QString& app_icon,
    const QString& summary, const QString& body, const QStringList& actions, const QVariantMap& hints,
    int expire_timeout)
{
    uint id = replaces_id;
    if (id == 0 || !m_live.contains(id)) {
        // Skip 0 on wrap-around: it means "no notification" in the protocol.
        id = ++m_lastId;
        if (id == 0)
            id = ++m_lastId;
        m_live.insert(id);
    }

    QJsonObject entry = callEntry("Notify");
    entry.insert(QStringLiteral("id"), static_cast<double>(id));
    entry.insert(QStringLiteral("app_name"), app_name);
    entry.insert(QStringLiteral("replaces_id"), static_cast<double>(replaces_id));
    entry.insert(QStringLiteral("app_icon"), app_icon);
    entry.insert(QStringLiteral("summary"), summary);
    entry.insert(QStringLiteral("body"), body);
    entry.insert(QStringLiteral("actions"), QJsonArray::fromStringList(actions));
    entry.insert(QStringLiteral("hints"), DbusJson::fromHints(hints));
    entry.insert(QStringLiteral("expire_timeout"), expire_timeout);
    m_log->append(entry);
    return id;
}

void NotificationServer::CloseNotification(uint id)
{
    QJsonObject entry = callEntry("CloseNotification");
    entry.insert(QStringLiteral("id"), static_cast<double>(id));
    m_log->append(entry);
    close(id, ClosedByCall);
}
