// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "TestEnvironment.h"

#include "ChildProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

TestEnvironment& TestEnvironment::instance()
{
    static TestEnvironment environment;
    return environment;
}

bool TestEnvironment::setUp()
{
    m_dir = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/zib-test-XXXXXX"));
    const QString root = m_dir->path();
    // Nothing reaches the machine's own buses, even before startBuses().
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/zib-test-bus");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/zib-test-bus");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + QLatin1String("/config")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root + QLatin1String("/runtime")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(root + QLatin1String("/data")));
    qputenv("XDG_DATA_DIRS", QByteArrayLiteral(ZIB_TEST_SHARE_DIR ":/usr/share"));
    qputenv("ZIB_NOTIFIER_SYSROOT", QFile::encodeName(root + QLatin1String("/sysroot")));
    qputenv("PATH", QFile::encodeName(binDir()) + ':' + qgetenv("PATH"));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("LC_ALL", "C.UTF-8");
    qunsetenv("DISPLAY");
    qunsetenv("XDG_CURRENT_DESKTOP");
    qunsetenv("KDE_FULL_SESSION");
    for (const char* dir : {"/sysroot", "/config", "/runtime", "/bin", "/data"}) {
        if (!m_dir->isValid() || !QDir().mkpath(root + QLatin1String(dir))) {
            return false;
        }
    }
    return QFile::setPermissions(
        root + QLatin1String("/runtime"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

bool TestEnvironment::startBuses()
{
    for (const char* variable : {"DBUS_SYSTEM_BUS_ADDRESS", "DBUS_SESSION_BUS_ADDRESS"}) {
        // Goes with the application. Its error output, a warning about the file limit on every start as
        // root, stays unread: the address that it prints tells success.
        auto* bus = new ChildProcess(qApp);
        bus->setProcessChannelMode(QProcess::SeparateChannels);
        bus->start(QStringLiteral("dbus-daemon"),
            {QStringLiteral("--config-file=" ZIB_TEST_BUS_CONF), QStringLiteral("--print-address"),
                QStringLiteral("--nofork"), QStringLiteral("--nopidfile"), QStringLiteral("--nosyslog")});
        const QByteArray address = bus->firstLine();
        if (address.isEmpty()) {
            return false;
        }
        qputenv(variable, address);
    }
    return true;
}

void TestEnvironment::removeSettings() const
{
    QFile::remove(m_dir->path() + QLatin1String("/config/TarnoLinux/zib-update-notifier.conf"));
}
