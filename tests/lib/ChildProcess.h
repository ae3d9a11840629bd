// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QProcess>

// A QProcess whose child the kernel kills when the test process goes, even after a crash, so that no
// helper, display or notifier outlives its test. Stopped with SIGTERM when the object goes. Its error
// output goes to the test's.
class ChildProcess : public QProcess
{
    Q_OBJECT
public:
    explicit ChildProcess(QObject* owner = nullptr) : QProcess(owner) { setProcessChannelMode(ForwardedErrorChannel); }
    ~ChildProcess() override;

    // Starts a helper program that prints "ready" once it can be used.
    bool startReady(const QString& program, const QStringList& arguments = {});
    // Its first line of output, without the line end, within 10 s; empty if none.
    QByteArray firstLine();
    // SIGTERM, SIGKILL after 5 s; the exit code, or -1 after a crash or a kill.
    int stop();
    bool isRunning() const { return state() != NotRunning; }

protected:
    void setupChildProcess() override;
};
