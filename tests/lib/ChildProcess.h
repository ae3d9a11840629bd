#pragma once

#include <QProcess>

// A QProcess whose child is killed by the kernel when the test process goes, even after a crash,
// so no Xvfb or notifier outlives its test.
class ChildProcess : public QProcess
{
    Q_OBJECT
public:
    using QProcess::QProcess;
    ~ChildProcess() override;

    // SIGKILL, and reaped: no zombie keeps its pid alive afterwards.
    void killAndReap();

protected:
    void setupChildProcess() override;
};
