#pragma once

#include "ControlInterface.h"

#include <QDBusVirtualObject>

#include <optional>

class Simulator;

// The object /org/tarnolinux/UpdateService: the update service's methods and the simulator's control interface.
class UpdateServiceObject : public QDBusVirtualObject
{
    Q_OBJECT
public:
    UpdateServiceObject(Simulator* simulator, QObject* parent);

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

    // Input signature of a service method, or nothing when there is no such method.
    static std::optional<QString> inputSignature(const QString& method);

private:
    void handleServiceCall(const QDBusMessage& call);
    QDBusMessage answer(const QDBusMessage& call);
    int removeStamp(int kind);

    Simulator* m_simulator;
    ControlInterface m_control;
};
