#pragma once

#include "ScriptEntry.h"

#include <QString>

#include <deque>
#include <map>
#include <optional>

// Scripted replies per method, consumed in FIFO order.
class ScriptQueue
{
public:
    static constexpr int persistent = -1;

    // count is the number of calls the entry answers, or persistent for every call until clear().
    void add(const QString& method, const ScriptEntry& entry, int count);
    // The entry that answers the next call of method, if any.
    std::optional<ScriptEntry> take(const QString& method);
    void clear();

private:
    struct Pending
    {
        ScriptEntry entry;
        int remaining;
    };
    std::map<QString, std::deque<Pending>> m_queues;
};
