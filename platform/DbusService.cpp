// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "DbusService.h"

#include "PlatformLogging.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace ZibAdmin {
namespace {
const QString adminService = QStringLiteral("org.tarnolinux.Admin");
const QString adminPath = QStringLiteral("/org/tarnolinux/Admin");
const QString adminInterface = QStringLiteral("org.tarnolinux.Admin.Upgrade");

const QString changeCall = adminInterface + QStringLiteral(".ChangeUpgradeState"); // as the log names it

const char* onOff(bool enable)
{
    return enable ? "on" : "off";
}
} // namespace

DbusService::DbusService(QObject* parent) : QObject(parent) { }

void DbusService::changeUpgradeState(bool enable, std::function<void(std::optional<QString> error)> done)
{
    // Each call carries its own completion, so overlapping calls each get their outcome.
    const auto finish = [this, enable, done](const QDBusError& error, const QString& output) {
        if (error.isValid()) {
            m_faults.failed(changeCall, error);
            if (done) {
                done(error.message());
            }
            Q_EMIT showMessage(tr("Release upgrade"), error.message());
            return;
        }
        m_faults.answered(changeCall);
        qCInfo(lcService) << "release upgrade switched" << onOff(enable);
        if (done) {
            done(std::nullopt);
        }
        Q_EMIT processOutput(output);
    };

    QDBusConnection bus = QDBusConnection::systemBus();
    qCInfo(lcService) << "switching the release upgrade" << onOff(enable);
    if (!bus.isConnected()) {
        // Without a connection (no bus when the program started) Qt's watcher would never finish; the
        // caller still gets its outcome, later, as always.
        const QDBusError error(QDBusError::Disconnected, QStringLiteral("Not connected to the system bus"));
        QMetaObject::invokeMethod(
            this, [finish, error] { finish(error, QString()); }, Qt::QueuedConnection);
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(adminService, adminPath, adminInterface, QStringLiteral("ChangeUpgradeState"));
    call << enable;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [finish](QDBusPendingCallWatcher* watcher) {
        watcher->deleteLater();
        const QDBusPendingReply<QString> reply = *watcher;
        finish(reply.isError() ? reply.error() : QDBusError(), reply.isError() ? QString() : reply.value());
    });
}
} // namespace ZibAdmin
