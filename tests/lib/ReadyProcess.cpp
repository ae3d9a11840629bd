#include "ReadyProcess.h"

#include <QDeadlineTimer>

ReadyProcess::~ReadyProcess()
{
    stop();
}

bool ReadyProcess::start(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment)
{
    m_process.setProgram(program);
    m_process.setArguments(arguments);
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start();
    if (!m_process.waitForStarted(5000)) {
        return false;
    }
    QDeadlineTimer deadline(10000);
    QByteArray output;
    while (!output.contains("ready\n")) {
        if (deadline.hasExpired() || !m_process.waitForReadyRead(int(deadline.remainingTime()))) {
            kill();
            return false;
        }
        output += m_process.readAllStandardOutput();
    }
    return true;
}

int ReadyProcess::stop()
{
    if (!isRunning()) {
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        kill();
        return -1;
    }
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

void ReadyProcess::kill()
{
    if (isRunning()) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}
