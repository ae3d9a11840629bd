#pragma once

#include "ChildProcess.h"

#include <QStringList>

// A helper program that prints "ready" once it can be used; stopped with SIGTERM when it goes, and killed
// with the test process if that dies first.
class ReadyProcess
{
public:
    ReadyProcess() = default;
    ~ReadyProcess();

    bool start(const QString& program, const QStringList& arguments = {},
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());
    // SIGTERM; returns the exit code, or -1 when it had to be killed or had crashed.
    int stop();
    void kill();
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    qint64 pid() const { return m_process.processId(); }
    QProcess& process() { return m_process; }

private:
    ChildProcess m_process;
};
