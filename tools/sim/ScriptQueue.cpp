#include "ScriptQueue.h"

void ScriptQueue::add(const QString& method, const ScriptEntry& entry, int count)
{
    if (count == 0 || count < persistent)
        return;
    m_queues[method].push_back({entry, count});
}

std::optional<ScriptEntry> ScriptQueue::take(const QString& method)
{
    const auto it = m_queues.find(method);
    if (it == m_queues.end() || it->second.empty())
        return std::nullopt;
    Pending& head = it->second.front();
    const ScriptEntry entry = head.entry;
    // A persistent entry stays at the head and hides everything queued behind it.
    if (head.remaining != persistent && --head.remaining == 0) {
        it->second.pop_front();
        if (it->second.empty())
            m_queues.erase(it);
    }
    return entry;
}

void ScriptQueue::clear()
{
    m_queues.clear();
}
