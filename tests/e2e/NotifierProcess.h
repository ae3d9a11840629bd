#pragma once

#include "ChildProcess.h"

#include <QObject>
#include <QProcessEnvironment>
#include <QStringList>

// One start of the installed notifier, with everything it printed kept for the diagnosis of a failure.
class NotifierProcess : public QObject
{
    Q_OBJECT
public:
    explicit NotifierProcess(QObject* parent = nullptr);

    bool start(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment);
    qint64 pid() const { return m_pid; }
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }

    // Waits with the event loop running; true once the process has ended.
    bool waitForExit(int timeoutMs);
    // The exit code of a normal end; -1 while it runs or after a crash or a signal.
    int exitCode() const;
    bool sendSignal(int signal) const;
    void kill() { m_process.killAndReap(); }

    QString standardOutput() const { return QString::fromUtf8(m_stdout); }
    QString standardError() const { return QString::fromUtf8(m_stderr); }
    QString describe() const;

private:
    void readOutput();

    ChildProcess m_process;
    qint64 m_pid = 0;
    QByteArray m_stdout;
    QByteArray m_stderr;
};
