#include "DbusService.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace ZibAdmin {
namespace {
const QString adminService = QStringLiteral("org.tarnolinux.Admin");
const QString adminPath = QStringLiteral("/org/tarnolinux/Admin");
const QString adminInterface = QStringLiteral("org.tarnolinux.Admin.Upgrade");
const QString changeMethod = QStringLiteral("ChangeUpgradeState");
const QString changeCall = adminInterface + QLatin1Char('.') + changeMethod; // as the log names it
} // namespace

DbusService::DbusService(QObject* parent) : QObject(parent) { }

void DbusService::changeUpgradeState(bool enable)
{
    QDBusMessage call = QDBusMessage::createMethodCall(adminService, adminPath, adminInterface, changeMethod);
    call << enable;
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &DbusService::onFinished);
}

void DbusService::onFinished(QDBusPendingCallWatcher* watcher)
{
    watcher->deleteLater();
    const QDBusPendingReply<QString> reply = *watcher;
    if (reply.isError()) {
        m_faults.failed(changeCall, reply.error());
        Q_EMIT showMessage(tr("Release upgrade"), reply.error().message());
        return;
    }
    m_faults.answered(changeCall);
    Q_EMIT processOutput(reply.value());
}
} // namespace ZibAdmin
