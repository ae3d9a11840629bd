#pragma once

#include "ReadyProcess.h"

#include <QJsonArray>
#include <QJsonObject>

// The recording notification server on the session bus, and what it saw.
class NotificationRecorder
{
public:
    bool start(const QStringList& arguments = {});
    int stop() { return m_process.stop(); }

    QJsonArray log() const;
    // Entries of one kind of call ("Notify", "CloseNotification").
    QList<QJsonObject> calls(const QString& call) const;
    QJsonObject lastNotify() const;
    bool clear() const;
    bool invokeAction(uint id, const QString& key) const;
    bool close(uint id, uint reason) const;

private:
    ReadyProcess m_process;
};
