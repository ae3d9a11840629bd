#pragma once

#include "ReadyProcess.h"

#include <QStringList>
#include <QVariant>

// The update-service simulator as a child process, driven through its control interface.
class SimulatorProcess
{
public:
    bool start(const QStringList& arguments = {});
    int stop() { return m_process.stop(); }
    void kill() { m_process.kill(); }
    bool isRunning() const { return m_process.isRunning(); }
    qint64 pid() const { return m_process.pid(); }

    bool setState(int state);
    bool setError(int error);
    bool setUpdateDate(const QString& date);
    bool setVersion(const QString& version);
    bool script(const QString& method, const QString& kind, const QVariant& value = QVariant(), int count = 1);
    bool clearScripts();
    bool setRegistered(bool registered);
    QStringList callLog();
    bool clearCallLog();
    // Calls of `method` in the log.
    int callCount(const QString& method);

private:
    bool control(const QString& method, const QVariantList& arguments, QVariantList* reply = nullptr);

    ReadyProcess m_process;
};
