#pragma once

#include <QString>

namespace ZibAdmin {
class PackageManager
{
public:
    // True when a line of dpkg-query's answer for `package` matches `pattern` (with %1 = the escaped
    // package name) from its start. The query gets at most 5 s; any failure answers false.
    static bool isPackageInstalled(const QString& package, const QString& pattern);

    // Forgets the remembered answer, so the next call runs the query again.
    static void clearCache();
};
} // namespace ZibAdmin
