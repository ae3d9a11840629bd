#include "SimPaths.h"

SimPaths::SimPaths(const QString& sysroot)
{
    m_prefix = sysroot;
    while (m_prefix.endsWith(QLatin1Char('/')))
        m_prefix.chop(1);
}

QString SimPaths::resolve(const QString& absolutePath) const
{
    return m_prefix + absolutePath;
}

QString SimPaths::upgradeReport() const
{
    return resolve(QStringLiteral("/var/cache/tarno-upgrade/upgrade.report.yaml"));
}

QString SimPaths::resultStamp(int kind) const
{
    switch (kind) {
    case 0:
        return resolve(QStringLiteral("/var/cache/tarno-update-service/unsuccessful"));
    case 1:
        return resolve(QStringLiteral("/var/cache/tarno-update-service/successful"));
    case 2:
        return resolve(QStringLiteral("/var/cache/tarno-upgrade/upgrade_aborted"));
    case 3:
        return resolve(QStringLiteral("/var/cache/tarno-upgrade/successful"));
    default:
        return QString();
    }
}
