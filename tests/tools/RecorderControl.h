#pragma once

#include <QList>
#include <QObject>

class NotificationServer;
class RecorderLog;

// Test-side interface of the notification recorder: read the log and act as the user would.
class RecorderControl : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.zib.test.NotificationRecorder")
public:
    RecorderControl(NotificationServer* server, RecorderLog* log, QObject* parent = nullptr);

public Q_SLOTS:
    QString Log() const;
    void Clear();
    bool InvokeAction(uint id, const QString& key);
    bool Close(uint id, uint reason);
    QList<uint> Live() const;

private:
    NotificationServer* m_server;
    RecorderLog* m_log;
};
