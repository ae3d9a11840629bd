#pragma once

#include <QObject>
#include <QSet>
#include <QStringList>
#include <QVariantMap>

class RecorderLog;

// org.freedesktop.Notifications that shows nothing: it records each call and keeps notifications open
// until a client or the test closes them.
class NotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    // Close reasons defined by the notification protocol.
    enum CloseReason : uint { Expired = 1, Dismissed = 2, ClosedByCall = 3, Undefined = 4 };

    NotificationServer(RecorderLog* log, QObject* parent = nullptr);

    // Test control, not exported: each returns false when the id is not live.
    bool invokeAction(uint id, const QString& actionKey);
    bool close(uint id, uint reason);
    QList<uint> liveIds() const;

public Q_SLOTS:
    QStringList GetCapabilities();
    QString GetServerInformation(QString& vendor, QString& version, QString& spec_version);
    uint Notify(const QString& app_name, uint replaces_id, const QString& app_icon, const QString& summary,
        const QString& body, const QStringList& actions, const QVariantMap& hints, int expire_timeout);
    void CloseNotification(uint id);

Q_SIGNALS:
    void NotificationClosed(uint id, uint reason);
    void ActionInvoked(uint id, const QString& action_key);

private:
    RecorderLog* m_log;
    QSet<uint> m_live;
    uint m_lastId = 0;
};
