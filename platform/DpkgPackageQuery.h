#pragma once

#include "PackageManager.h"
#include "PackageQuery.h"

// "Installed" as dpkg says it: the status abbreviation "ii" before the package name.
class DpkgPackageQuery : public PackageQuery
{
public:
    void checkInstalled(const QString& package, std::function<void(bool)> done) override
    {
        m_manager.isPackageInstalled(package, QStringLiteral("ii\\s%1"), std::move(done));
    }

private:
    ZibAdmin::PackageManager m_manager;
};
