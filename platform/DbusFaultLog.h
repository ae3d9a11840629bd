// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QHash>
#include <QString>

class QDBusError;

// Warns about failed D-Bus calls without repeating itself on every poll: a fault (the same method
// failing with the same error) is logged when it starts, and its end when the method answers again.
class DbusFaultLog
{
public:
    // method names the call, as "interface.member".
    void failed(const QString& method, const QDBusError& error);
    void answered(const QString& method);

private:
    // The error of each method that is failing now.
    QHash<QString, QString> m_faults;
};
