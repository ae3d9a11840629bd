#pragma once

#include <QString>

// Fixed file paths of the simulated services, below the configured system root.
class SimPaths
{
public:
    explicit SimPaths(const QString& sysroot);

    QString resolve(const QString& absolutePath) const;
    QString upgradeReport() const;
    // The result stamp for a removeUpgradeResultStamp kind, or a null string for an unknown kind.
    QString resultStamp(int kind) const;

private:
    QString m_prefix;
};
