#pragma once

#include "PackageManager.h"
#include "UpdateService.h"

// "Installed" as dpkg says it: the status abbreviation "ii" before the package name.
class DpkgPackageQuery : public PackageQuery
{
public:
    bool isInstalled(const QString& package) override
    {
        return ZibAdmin::PackageManager::isPackageInstalled(package, QStringLiteral("ii\\s%1"));
    }
};
