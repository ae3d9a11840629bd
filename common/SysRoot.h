#pragma once

#include <QString>

// Prefix for the fixed system paths the notifier reads. Production leaves ZIB_NOTIFIER_SYSROOT unset,
// so every path stays exactly as given; tests point it at a temporary tree.
namespace SysRoot {
QString root();
QString path(const QString& fixedPath);
// Re-reads the environment; for in-process tests that change ZIB_NOTIFIER_SYSROOT after start.
void reload();
} // namespace SysRoot
