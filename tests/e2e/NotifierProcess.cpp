#include "NotifierProcess.h"

#include <QSignalSpy>

#include <csignal>

NotifierProcess::NotifierProcess(QObject* parent) : QObject(parent)
{
    qRegisterMetaType<QProcess::ExitStatus>();
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &NotifierProcess::readOutput);
    connect(&m_process, &QProcess::readyReadStandardError, this, &NotifierProcess::readOutput);
    connect(
        &m_process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this, &NotifierProcess::readOutput);
}

bool NotifierProcess::start(
    const QString& program, const QStringList& arguments, const QProcessEnvironment& environment)
{
    m_process.setProgram(program);
    m_process.setArguments(arguments);
    m_process.setProcessEnvironment(environment);
    m_process.start();
    if (!m_process.waitForStarted(10000)) {
        m_stderr += "[harness] could not start: " + m_process.errorString().toUtf8() + '\n';
        return false;
    }
    m_pid = m_process.processId();
    return true;
}

bool NotifierProcess::waitForExit(int timeoutMs)
{
    if (!isRunning()) {
        return true;
    }
    QSignalSpy finished(&m_process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished));
    return finished.wait(timeoutMs) || !isRunning();
}

int NotifierProcess::exitCode() const
{
    if (isRunning() || m_process.exitStatus() != QProcess::NormalExit) {
        return -1;
    }
    return m_process.exitCode();
}

bool NotifierProcess::sendSignal(int signal) const
{
    return isRunning() && m_pid > 0 && ::kill(pid_t(m_pid), signal) == 0;
}

QString NotifierProcess::describe() const
{
    QString state;
    if (isRunning()) {
        state = QStringLiteral("running");
    } else if (m_process.exitStatus() == QProcess::NormalExit) {
        state = QStringLiteral("exit code %1").arg(m_process.exitCode());
    } else {
        state = QStringLiteral("crashed or killed");
    }
    return QStringLiteral("notifier pid %1 [%2] %3\n--- stdout:\n%4--- stderr:\n%5")
        .arg(m_pid)
        .arg(m_process.arguments().join(QLatin1Char(' ')), state, standardOutput(), standardError());
}

void NotifierProcess::readOutput()
{
    m_stdout += m_process.readAllStandardOutput();
    m_stderr += m_process.readAllStandardError();
}
