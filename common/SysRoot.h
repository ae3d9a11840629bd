// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>

// Prefix for the fixed system paths the notifier reads. Production leaves ZIB_NOTIFIER_SYSROOT unset,
// so every path stays exactly as given; tests point it at a temporary tree.
namespace SysRoot {
QString root();
QString path(const QString& fixedPath);
} // namespace SysRoot
