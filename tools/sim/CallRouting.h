#pragma once

#include <QString>

class QDBusMessage;

// Shared rules for routing method calls that reach the simulator's objects.
class CallRouting
{
public:
    // Interfaces that Qt answers itself (introspection, properties, peer).
    static bool isStandardInterface(const QString& interface);
    // Members of those interfaces, for calls that name no interface.
    static bool isStandardMember(const QString& member);
    static bool isValidErrorName(const QString& name);

    static QDBusMessage unknownMethod(const QDBusMessage& call);
    static QDBusMessage invalidArgs(const QDBusMessage& call, const QString& expectedSignature);
};
