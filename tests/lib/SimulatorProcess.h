// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "ChildProcess.h"

#include <QStringList>
#include <QVariant>

#include <csignal>

// The update-service simulator as a child process, driven through its control interface on the system bus.
class SimulatorProcess
{
public:
    bool start(const QStringList& arguments = {})
    {
        return m_process.startReady(QStringLiteral(ZIB_SIM_PATH), arguments);
    }
    int stop() { return m_process.stop(); }
    // SIGSTOP: the process stays, holding its bus names, and answers nothing.
    bool freeze() { return ::kill(pid_t(m_process.processId()), SIGSTOP) == 0; }
    // How the next `count` calls of `method` are answered (-1: all): kind "value" (of any type), "error"
    // (value: the error name), "delay" (ms), "hang", "vanish" or "exit".
    bool script(const QString& method, const QString& kind, const QVariant& value = QVariant(), int count = 1);
    // "method(arguments)" per received call, oldest first.
    QStringList callLog();
    // Any other method of the control interface, e.g. SetState(i), SetVersion(s).
    bool control(const QString& method, const QVariantList& arguments = {}, QVariantList* reply = nullptr);

private:
    ChildProcess m_process;
};
