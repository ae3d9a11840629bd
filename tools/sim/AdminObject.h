#pragma once

#include <QDBusVirtualObject>

class Simulator;

// The object /org/tarnolinux/Admin: the desktop administration service's upgrade switch.
class AdminObject : public QDBusVirtualObject
{
    Q_OBJECT
public:
    AdminObject(Simulator* simulator, QObject* parent);

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

    static bool hasMethod(const QString& method);

private:
    QDBusMessage answer(const QDBusMessage& call);

    Simulator* m_simulator;
};
