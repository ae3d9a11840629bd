#pragma once

#include "CallLog.h"
#include "ScriptQueue.h"
#include "ServiceState.h"
#include "SimPaths.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QList>
#include <QObject>

#include <functional>

class AdminObject;
class UpdateServiceObject;

// Owns the bus names and the shared state of the simulated services, and applies
// the scripted replies to their calls.
class Simulator : public QObject
{
    Q_OBJECT
public:
    Simulator(
        const QDBusConnection& bus, const ServiceState& initial, const QString& sysroot, QObject* parent = nullptr);
    ~Simulator() override;

    // Registers the objects and owns all three names. On failure returns false and sets error.
    bool start(QString* error);

    ServiceState& state() { return m_state; }
    ScriptQueue& scripts() { return m_scripts; }
    CallLog& callLog() { return m_callLog; }
    const SimPaths& paths() const { return m_paths; }

    // Answers a logged, well-formed service call: by the next script for its method, if any, else
    // through answer(), which carries the normal behaviour with its side effects.
    void serve(const QDBusMessage& call, const std::function<QDBusMessage()>& answer);
    void send(const QDBusMessage& message);

    bool setServiceRegistered(bool registered, QString* error);
    // Replies to call, makes sure the reply has left, and ends the event loop.
    void quit(const QDBusMessage& call);

private:
    void flush();

    QDBusConnection m_bus;
    ServiceState m_state;
    SimPaths m_paths;
    ScriptQueue m_scripts;
    CallLog m_callLog;
    // Calls scripted to hang; kept so that they are never answered nor leaked.
    QList<QDBusMessage> m_unanswered;
    UpdateServiceObject* m_serviceObject = nullptr;
    AdminObject* m_adminObject = nullptr;
};
