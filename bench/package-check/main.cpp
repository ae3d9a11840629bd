// Cost of the notifier's periodic "is the upgrade tool installed" check, as the program makes it:
// the first answer runs dpkg-query; later ones, while the dpkg database and dpkg-query are unchanged,
// cost a few stat() calls. Usage: bench-package-check [PACKAGE]
#include "PackageManager.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
constexpr int coldRounds = 20;
constexpr int warmRounds = 10000;
const QString installedPattern = QStringLiteral("ii\\s%1");

void report(const char* name, std::vector<qint64> nanoseconds)
{
    std::sort(nanoseconds.begin(), nanoseconds.end());
    const auto at = [&](double p) {
        return double(nanoseconds[std::min(nanoseconds.size() - 1, size_t(p * double(nanoseconds.size() - 1) + 0.5))]) /
            1000.0;
    };
    std::printf("%-40s %8zu %12.1f %12.1f\n", name, nanoseconds.size(), at(0.5), at(0.99));
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString package = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("tarno-upgrade");

    QElapsedTimer clock;
    std::vector<qint64> cold;
    bool installed = false;
    for (int i = 0; i < coldRounds; ++i) {
        ZibAdmin::PackageManager::clearCache();
        clock.start();
        installed = ZibAdmin::PackageManager::isPackageInstalled(package, installedPattern);
        cold.push_back(clock.nsecsElapsed());
    }
    std::vector<qint64> warm;
    for (int i = 0; i < warmRounds; ++i) {
        clock.start();
        ZibAdmin::PackageManager::isPackageInstalled(package, installedPattern);
        warm.push_back(clock.nsecsElapsed());
    }

    std::printf("package %s: %s\n", qUtf8Printable(package), installed ? "installed" : "not installed");
    std::printf("%-40s %8s %12s %12s\n", "isPackageInstalled()", "calls", "median us", "p99 us");
    report("first call (runs dpkg-query)", cold);
    report("repeated, system unchanged", warm);
    return 0;
}
