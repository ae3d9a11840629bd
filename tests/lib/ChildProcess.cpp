#include "ChildProcess.h"

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

ChildProcess::~ChildProcess()
{
    killAndReap();
}

void ChildProcess::killAndReap()
{
    if (state() != QProcess::NotRunning) {
        kill();
        waitForFinished(5000);
    }
}

void ChildProcess::setupChildProcess()
{
    // Runs in the child between fork and exec; only async-signal-safe calls here.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
}
