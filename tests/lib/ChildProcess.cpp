// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "ChildProcess.h"

#include <csignal>
#include <sys/prctl.h>

ChildProcess::~ChildProcess()
{
    stop();
}

bool ChildProcess::startReady(const QString& program, const QStringList& arguments)
{
    start(program, arguments);
    return firstLine() == "ready";
}

QByteArray ChildProcess::firstLine()
{
    while (!canReadLine() && waitForReadyRead(10000)) { }
    return readLine().trimmed();
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
