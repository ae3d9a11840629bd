// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>

#include <functional>

// Whether a Debian package is installed; answers later, never holding up the event loop.
class PackageQuery
{
public:
    virtual ~PackageQuery() = default;
    virtual void checkInstalled(const QString& package, std::function<void(bool installed)> done) = 0;
};
