#pragma once

#include "TestBus.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

// A sealed world for one test process: private system and session buses, and temporary config, runtime,
// data and sysroot directories. Must be set up before the QApplication exists.
class TestEnvironment
{
public:
    static TestEnvironment& instance();

    bool setUp();

    QString root() const { return m_dir->path(); }
    QString sysroot() const { return root() + QLatin1String("/sysroot"); }
    QString configHome() const { return root() + QLatin1String("/config"); }
    QString runtimeDir() const { return root() + QLatin1String("/runtime"); }
    QString binDir() const { return root() + QLatin1String("/bin"); }
    QString settingsFile() const;

    // Writes `content` to `path` under the sysroot, creating directories.
    bool writeSysFile(const QString& path, const QByteArray& content) const;
    void removeSettings() const;
    // Kills the private system bus for good: what a process sees when the bus goes away under it.
    void stopSystemBus() { m_systemBus.stop(); }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    TestBus m_systemBus;
    TestBus m_sessionBus;
};
