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

    void removeSettings() const;

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    TestBus m_systemBus;
    TestBus m_sessionBus;
};
