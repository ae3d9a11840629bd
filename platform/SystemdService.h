// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "ServicePresence.h"

#include <QDBusConnection>
#include <QObject>

class QDBusMessage;

namespace ZibAdmin {
// Whether the daemon started from an executable path runs: systemd's word for its unit when systemd is
// on the system bus, else a process whose argv[0] is that path. Asks systemd without blocking.
class SystemdService : public QObject, public ServicePresence
{
    Q_OBJECT
public:
    explicit SystemdService(const QString& path, QObject* parent = nullptr);

    void checkActive(std::function<void(bool)> done) override;
    bool isProcessRunning();

private:
    void ask(const QDBusMessage& message, std::function<void(const QDBusMessage&)> then);
    void askUnit(std::function<void(bool)> done);

    QString m_path;
    // Connected at the first call, not when built: the tray icon comes first.
    static QDBusConnection bus() { return QDBusConnection::systemBus(); }
    int m_lastPid = -1;
};
} // namespace ZibAdmin
