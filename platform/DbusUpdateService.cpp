// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "DbusUpdateService.h"

#include "PlatformLogging.h"
#include "UpdateServiceProxy.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>

namespace {
const QString serviceName = QStringLiteral("org.tarnolinux.UpdateService");
const QString serviceObjectPath = QStringLiteral("/org/tarnolinux/UpdateService");
} // namespace

DbusUpdateService::DbusUpdateService(QObject* parent) : QObject(parent) { }

// The generated proxy does not introspect, but its constructor asks the bus daemon for the name's owner
// and waits for that answer (never for the service). So it is made once, at the first call: by then the
// event loop runs and the daemon has just answered NameHasOwner. Its calls go out whether or not the name
// had an owner then.
UpdateServiceProxy& DbusUpdateService::proxy()
{
    if (!m_proxy)
        m_proxy = new UpdateServiceProxy(serviceName, serviceObjectPath, bus(), this);
    return *m_proxy;
}

template<typename T>
void DbusUpdateService::watch(
    const QString& method, const QDBusPendingReply<T>& call, std::function<void(std::optional<T>)> done)
{
    auto* watcher = new QDBusPendingCallWatcher(call, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, method, done](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        // A reply of the wrong type arrives as an error (InvalidSignature).
        const QDBusPendingReply<T> reply = *finished;
        if (reply.isError()) {
            m_faults.failed(method, reply.error());
            done(std::nullopt);
            return;
        }
        m_faults.answered(method);
        qCInfo(lcService).noquote() << method << "answered" << reply.value();
        done(reply.value());
    });
}

void DbusUpdateService::checkReachable(std::function<void(bool)> done)
{
    if (!bus().isConnected()) {
        m_faults.failed(QStringLiteral("connection to the system bus"), bus().lastError());
        done(false);
        return;
    }
    QDBusMessage hasOwner =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    hasOwner << serviceName;
    watch<bool>(QStringLiteral("org.freedesktop.DBus.NameHasOwner"), bus().asyncCall(hasOwner),
        [done](std::optional<bool> owned) { done(owned.value_or(false)); });
}

// The bus daemon's NameOwnerChanged signal; adding its match rule does not wait for the daemon.
void DbusUpdateService::watchOwner(std::function<void(bool owned)> changed)
{
    auto* watcher = new QDBusServiceWatcher(serviceName, bus(), QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
        [changed](const QString&, const QString& oldOwner, const QString& newOwner) {
            qCInfo(lcService).noquote() << serviceName << "owner changed from" << oldOwner << "to" << newOwner;
            changed(!newOwner.isEmpty());
        });
}

// The method names are spelled in the interface description only; a log names the method by the token
// that calls it, so the two cannot differ.
#define ZIB_CALL(method, ...)                                                                                          \
    watch(serviceName + QLatin1String("." #method), proxy().method(__VA_ARGS__), std::move(done))

void DbusUpdateService::currentState(IntReply done)
{
    ZIB_CALL(getCurrentStateAsInt);
}

void DbusUpdateService::currentError(IntReply done)
{
    ZIB_CALL(getCurrentErrorAsInt);
}

void DbusUpdateService::updateDate(TextReply done)
{
    ZIB_CALL(getUpdateDateAsString);
}

void DbusUpdateService::updateVersion(TextReply done)
{
    ZIB_CALL(getMinorUpdateVersion);
}

void DbusUpdateService::enableOnReboot(IntReply done)
{
    ZIB_CALL(enableUpgradeOnReboot);
}

void DbusUpdateService::disableOnReboot(IntReply done)
{
    ZIB_CALL(disableUpgradeOnReboot);
}

void DbusUpdateService::removeResultStamp(int kind, IntReply done)
{
    ZIB_CALL(removeUpgradeResultStamp, kind);
}

void DbusUpdateService::setStateFromOutside(int state, IntReply done)
{
    ZIB_CALL(setStateFromOutside, state);
}
