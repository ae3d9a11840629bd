// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

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
