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

    bool start(const QString& configFile);
    void stop();
    QString address() const { return m_address; }

private:
    pid_t m_pid = -1;
    QString m_address;
};
