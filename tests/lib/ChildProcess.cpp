#include "ChildProcess.h"

#include <QDeadlineTimer>

#include <csignal>
#include <sys/prctl.h>

ChildProcess::~ChildProcess()
{
    stop();
}

bool ChildProcess::startReady(const QString& program, const QStringList& arguments)
{
    setProcessChannelMode(ForwardedErrorChannel);
    start(program, arguments);
    const QDeadlineTimer deadline(10000);
    QByteArray output;
    while (!output.contains("ready\n")) {
        if (!waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))) {
            stop();
            return false;
        }
        output += readAllStandardOutput();
    }
    return true;
}

int ChildProcess::stop()
{
    if (isRunning()) {
        terminate();
        ::kill(pid_t(processId()), SIGCONT); // a frozen child takes the SIGTERM once it runs
        if (!waitForFinished(5000)) {
            kill();
            waitForFinished(5000);
            return -1;
        }
    }
    return exitStatus() == NormalExit ? exitCode() : -1;
}

void ChildProcess::setupChildProcess()
{
    // Runs in the child between fork and exec; only async-signal-safe calls here.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
}
