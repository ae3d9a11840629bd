// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "DbusDoNotDisturb.h"

#include "PlatformLogging.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QTimer>

namespace {
const QString serverName = QStringLiteral("org.freedesktop.Notifications");
const QString serverPath = QStringLiteral("/org/freedesktop/Notifications");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString inhibited = QStringLiteral("Inhibited");

// Only a boolean true holds the popups; anything else the server may send does not.
bool holds(const QVariant& value)
{
    return value.userType() == QMetaType::Bool && value.toBool();
}
} // namespace

DbusDoNotDisturb::DbusDoNotDisturb(QObject* parent) : QObject(parent)
{
    // Nothing the tray icon waits for: after the event loop's first turn.
    QTimer::singleShot(0, this, &DbusDoNotDisturb::watch);
}

void DbusDoNotDisturb::watch()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.connect(serverName, serverPath, propertiesInterface, QStringLiteral("PropertiesChanged"), this,
        SLOT(onPropertiesChanged(QString, QVariantMap, QStringList)));
    // A server that restarts starts afresh; without one, nothing holds the popups.
    auto* watcher = new QDBusServiceWatcher(
        serverName, bus, QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, &DbusDoNotDisturb::read);
    connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] { set(false); });
    read();
}

void DbusDoNotDisturb::read()
{
    QDBusMessage get =
        QDBusMessage::createMethodCall(serverName, serverPath, propertiesInterface, QStringLiteral("Get"));
    get << serverName << inhibited;
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(get), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *finished;
        if (reply.isError()) {
            // Many servers have no such property: their popups are never held.
            qCInfo(lcDesktop).noquote() << "The notification server tells no do-not-disturb mode:"
                                        << reply.error().message();
            set(false);
            return;
        }
        const QVariant value = reply.value().variant();
        set(holds(value));
    });
}

void DbusDoNotDisturb::onPropertiesChanged(
    const QString& interface, const QVariantMap& changed, const QStringList& invalidated)
{
    if (interface != serverName) {
        return;
    }
    const auto value = changed.constFind(inhibited);
    if (value != changed.cend()) {
        set(holds(*value));
    } else if (invalidated.contains(inhibited)) {
        read();
    }
}

void DbusDoNotDisturb::set(bool on)
{
    if (on == m_on) {
        return;
    }
    m_on = on;
    qCInfo(lcDesktop) << "Do-not-disturb" << (on ? "on: popups are held" : "off");
    if (m_handler) {
        m_handler(on);
    }
}
