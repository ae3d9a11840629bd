#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

TestEnvironment& TestEnvironment::instance()
{
    static TestEnvironment environment;
    return environment;
}

bool TestEnvironment::setUp()
{
    m_dir = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/zib-test-XXXXXX"));
    if (!m_dir->isValid()) {
        return false;
    }
    for (const QString& dir : {sysroot(), configHome(), runtimeDir(), binDir(), root() + QLatin1String("/data")}) {
        QDir().mkpath(dir);
    }
    QFile::setPermissions(runtimeDir(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    const QString config = QStringLiteral(ZIB_TEST_BUS_CONF);
    if (!m_systemBus.start(config) || !m_sessionBus.start(config)) {
        std::fprintf(stderr, "cannot start private dbus-daemons\n");
        return false;
    }

    qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_systemBus.address().toUtf8());
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_sessionBus.address().toUtf8());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome()));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(root() + QLatin1String("/data")));
    qputenv("XDG_DATA_DIRS", QByteArrayLiteral(ZIB_TEST_SHARE_DIR ":/usr/share"));
    qputenv("ZIB_NOTIFIER_SYSROOT", QFile::encodeName(sysroot()));
    qputenv("PATH", QFile::encodeName(binDir()) + ':' + qgetenv("PATH"));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("LC_ALL", "C.UTF-8");
    qunsetenv("DISPLAY");
    qunsetenv("XDG_CURRENT_DESKTOP");
    qunsetenv("KDE_FULL_SESSION");
    return true;
}

void TestEnvironment::removeSettings() const
{
    QFile::remove(configHome() + QLatin1String("/TarnoLinux/zib-update-notifier.conf"));
}
