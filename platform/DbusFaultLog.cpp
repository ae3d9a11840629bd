// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "DbusFaultLog.h"

#include "PlatformLogging.h"

#include <QDBusError>

void DbusFaultLog::failed(const QString& method, const QDBusError& error)
{
    // A reply of the wrong type arrives as InvalidSignature, its message naming both signatures.
    const QString fault = error.name() + QLatin1String(": ") + error.message();
    QString& known = m_faults[method];
    if (known == fault)
        return;
    known = fault;
    qCWarning(lcService).noquote() << method << "failed:" << fault;
}

void DbusFaultLog::answered(const QString& method)
{
    if (m_faults.remove(method) > 0)
        qCWarning(lcService).noquote() << method << "answers again";
}
