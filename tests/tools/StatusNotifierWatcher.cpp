#include "StatusNotifierWatcher.h"

#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>

#include <algorithm>

StatusNotifierWatcher::StatusNotifierWatcher(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), m_ownerWatcher(new QDBusServiceWatcher(this))
{
    m_ownerWatcher->setConnection(bus);
    m_ownerWatcher->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(m_ownerWatcher, &QDBusServiceWatcher::serviceUnregistered, this, &StatusNotifierWatcher::ownerGone);
}

QStringList StatusNotifierWatcher::registeredItems() const
{
    QStringList names;
    for (const Item& item : m_items)
        names.append(item.name);
    return names;
}

void StatusNotifierWatcher::RegisterStatusNotifierItem(const QString& service)
{
    Item item;
    if (service.startsWith(QLatin1Char('/'))) {
        item.owner = message().service();
        item.name = item.owner + service;
    } else {
        item.owner = service;
        item.name = service;
    }
    if (item.owner.isEmpty()) {
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("empty service name"));
        return;
    }
    const bool known =
        std::any_of(m_items.cbegin(), m_items.cend(), [&item](const Item& other) { return other.name == item.name; });
    if (known)
        return;

    // Watch before checking, so that an owner leaving in between is not missed.
    m_ownerWatcher->addWatchedService(item.owner);
    if (!connection().interface()->isServiceRegistered(item.owner).value()) {
        if (!ownerInUse(item.owner))
            m_ownerWatcher->removeWatchedService(item.owner);
        sendErrorReply(QDBusError::ServiceUnknown, QStringLiteral("%1 is not on the bus").arg(item.owner));
        return;
    }
    m_items.append(item);
    Q_EMIT StatusNotifierItemRegistered(item.name);
}

void StatusNotifierWatcher::RegisterStatusNotifierHost(const QString& service)
{
    Q_UNUSED(service);
    Q_EMIT StatusNotifierHostRegistered();
}

bool StatusNotifierWatcher::ownerInUse(const QString& owner) const
{
    return std::any_of(m_items.cbegin(), m_items.cend(), [&owner](const Item& item) { return item.owner == owner; });
}

void StatusNotifierWatcher::ownerGone(const QString& owner)
{
    m_ownerWatcher->removeWatchedService(owner);
    for (auto it = m_items.begin(); it != m_items.end();) {
        if (it->owner == owner) {
            const QString name = it->name;
            it = m_items.erase(it);
            Q_EMIT StatusNotifierItemUnregistered(name);
        } else {
            ++it;
        }
    }
}
