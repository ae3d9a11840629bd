#pragma once

#include <QDBusContext>
#include <QObject>
#include <QStringList>
#include <QVector>

class QDBusServiceWatcher;

// Minimal org.kde.StatusNotifierWatcher: its presence makes Qt export tray icons over D-Bus.
class StatusNotifierWatcher : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
public:
    explicit StatusNotifierWatcher(const QDBusConnection& bus, QObject* parent = nullptr);

    QStringList registeredItems() const;
    // Always true: the watcher stands in for a host, so that Qt considers the tray available.
    bool isHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service);
    void RegisterStatusNotifierHost(const QString& service);

Q_SIGNALS:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierItemUnregistered(const QString& service);
    void StatusNotifierHostRegistered();

private:
    struct Item
    {
        QString name;
        QString owner; // bus name whose disappearance ends the item
    };

    bool ownerInUse(const QString& owner) const;
    void ownerGone(const QString& owner);

    QDBusServiceWatcher* m_ownerWatcher;
    QVector<Item> m_items;
};
