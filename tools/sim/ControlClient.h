// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QDBusConnection>
#include <QStringList>
#include <QVariantList>

// The "ctl" command line: drives a running simulator through its control interface.
class ControlClient
{
public:
    // arguments are those after "ctl". Returns 0, 1 when the simulator refused or did not answer, 2 on a usage error.
    static int run(const QStringList& arguments);

private:
    explicit ControlClient(const QDBusConnection& bus) : m_bus(bus) { }

    int execute(const QString& command, const QStringList& arguments);
    int script(const QStringList& arguments);
    // Calls a control method; on failure prints why and returns 1.
    int call(const QString& method, const QVariantList& arguments, QVariantList* reply = nullptr);

    QDBusConnection m_bus;
};
