#pragma once

#include <QObject>
#include <QStringList>

// Every item that registers at the StatusNotifierWatcher while this object lives, however briefly.
class ItemRegistrations : public QObject
{
    Q_OBJECT
public:
    explicit ItemRegistrations(QObject* parent = nullptr);

    bool isListening() const { return m_listening; }
    QStringList items() const { return m_items; }
    // Registrations by the process `pid`.
    QStringList itemsOf(qint64 pid) const;

private Q_SLOTS:
    void onRegistered(const QString& service);

private:
    bool m_listening = false;
    QStringList m_items;
};
