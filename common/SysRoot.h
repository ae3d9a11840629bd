#pragma once

#include <QString>

// Prefix for the fixed system paths the notifier reads. Production leaves ZIB_NOTIFIER_SYSROOT unset,
// so every path stays exactly as given; tests point it at a temporary tree.
namespace SysRoot {
QString root();
QString path(const QString& fixedPath);
} // namespace SysRoot
