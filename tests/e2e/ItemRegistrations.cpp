#include "ItemRegistrations.h"

#include <QDBusConnection>
#include <QRegularExpression>

ItemRegistrations::ItemRegistrations(QObject* parent) : QObject(parent)
{
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    m_listening = QDBusConnection::sessionBus().connect(watcher, QStringLiteral("/StatusNotifierWatcher"), watcher,
        QStringLiteral("StatusNotifierItemRegistered"), this, SLOT(onRegistered(QString)));
}

QStringList ItemRegistrations::itemsOf(qint64 pid) const
{
    return m_items.filter(QRegularExpression(QStringLiteral("^org\\.kde\\.StatusNotifierItem-%1-").arg(pid)));
}

void ItemRegistrations::onRegistered(const QString& service)
{
    m_items.append(service);
}
