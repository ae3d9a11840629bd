// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "SysRoot.h"

#include <QDir>

namespace {
QString readRoot()
{
    QString root = qEnvironmentVariable("ZIB_NOTIFIER_SYSROOT");
    while (root.endsWith(QLatin1Char('/'))) {
        root.chop(1);
    }
    return root;
}

const QString& cachedRoot()
{
    static const QString root = readRoot();
    return root;
}
} // namespace

namespace SysRoot {
QString root()
{
    return cachedRoot();
}

QString path(const QString& fixedPath)
{
    const QString& prefix = cachedRoot();
    return prefix.isEmpty() ? fixedPath : prefix + fixedPath;
}
} // namespace SysRoot
