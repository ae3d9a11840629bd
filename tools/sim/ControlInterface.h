#pragma once

#include <QString>

class QDBusMessage;
class Simulator;

// The interface org.tarnolinux.UpdateService.Simulator, through which tests and the demo drive the simulator.
class ControlInterface
{
public:
    explicit ControlInterface(Simulator* simulator);

    static bool hasMethod(const QString& method);
    static QString introspectionXml();

    // Answers the call (Quit also ends the event loop).
    void handle(const QDBusMessage& call);

private:
    QDBusMessage answer(const QDBusMessage& call);
    QDBusMessage script(const QDBusMessage& call);

    Simulator* m_simulator;
};
