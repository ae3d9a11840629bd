#pragma once

#include <QString>

#include <sys/types.h>

// A private dbus-daemon for one test process. It dies with its parent, even after a crash.
class TestBus
{
public:
    TestBus() = default;
    ~TestBus();
    TestBus(const TestBus&) = delete;
    TestBus& operator=(const TestBus&) = delete;

    // `configFile`: a bus configuration written by writeConfig().
    bool start(const QString& configFile);
    void stop();
    QString address() const { return m_address; }

    // Permissive policy; `replyTimeoutMs` bounds calls to a peer that never answers.
    static bool writeConfig(const QString& path, int replyTimeoutMs);

private:
    pid_t m_pid = -1;
    QString m_address;
};
