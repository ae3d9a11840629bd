#pragma once

#include <QStringList>

class QDBusMessage;
class QVariant;

// Ordered record of the service calls received, as "method(arg,...)".
class CallLog
{
public:
    void record(const QDBusMessage& call);
    QStringList entries() const { return m_entries; }
    void clear() { m_entries.clear(); }

    static QString format(const QDBusMessage& call);
    static QString formatArgument(const QVariant& argument);

private:
    QStringList m_entries;
};
