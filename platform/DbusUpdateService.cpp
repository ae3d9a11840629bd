#include "DbusUpdateService.h"

#include "Constants.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

DbusUpdateService::DbusUpdateService(QObject* parent) : QObject(parent), m_bus(QDBusConnection::systemBus()) { }

template<typename T>
void DbusUpdateService::send(const QDBusMessage& message, std::function<void(std::optional<T>)> done)
{
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [done](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        // A reply of the wrong type arrives as an error (InvalidSignature).
        const QDBusPendingReply<T> reply = *call;
        done(reply.isError() ? std::nullopt : std::optional<T>(reply.value()));
    });
}

void DbusUpdateService::checkReachable(std::function<void(bool)> done)
{
    if (!m_bus.isConnected()) {
        done(false);
        return;
    }
    QDBusMessage hasOwner =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    hasOwner << serviceName;
    send<bool>(hasOwner, [done](std::optional<bool> owned) { done(owned.value_or(false)); });
}

void DbusUpdateService::callInt(const QString& method, const QVariantList& arguments, IntReply done)
{
    QDBusMessage message = QDBusMessage::createMethodCall(serviceName, serviceObjectPath, serviceName, method);
    message.setArguments(arguments);
    send<int>(message, std::move(done));
}

void DbusUpdateService::callText(const QString& method, TextReply done)
{
    send<QString>(QDBusMessage::createMethodCall(serviceName, serviceObjectPath, serviceName, method), std::move(done));
}

void DbusUpdateService::currentState(IntReply done)
{
    callInt(QStringLiteral("getCurrentStateAsInt"), {}, std::move(done));
}

void DbusUpdateService::currentError(IntReply done)
{
    callInt(QStringLiteral("getCurrentErrorAsInt"), {}, std::move(done));
}

void DbusUpdateService::updateDate(TextReply done)
{
    callText(QStringLiteral("getUpdateDateAsString"), std::move(done));
}

void DbusUpdateService::updateVersion(TextReply done)
{
    callText(QStringLiteral("getMinorUpdateVersion"), std::move(done));
}

void DbusUpdateService::enableOnReboot(IntReply done)
{
    callInt(QStringLiteral("enableUpgradeOnReboot"), {}, std::move(done));
}

void DbusUpdateService::disableOnReboot(IntReply done)
{
    callInt(QStringLiteral("disableUpgradeOnReboot"), {}, std::move(done));
}

void DbusUpdateService::removeResultStamp(int kind, IntReply done)
{
    callInt(QStringLiteral("removeUpgradeResultStamp"), {kind}, std::move(done));
}

void DbusUpdateService::setStateFromOutside(int state, IntReply done)
{
    callInt(QStringLiteral("setStateFromOutside"), {state}, std::move(done));
}
