// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace ZibAdmin {
// Asks dpkg-query whether a package is installed, without waiting for it.
class PackageManager : public QObject
{
    Q_OBJECT
public:
    explicit PackageManager(int timeoutMs = 5000, QObject* parent = nullptr);
    ~PackageManager() override;

    // `done` gets true when a line of dpkg-query's answer for `package` matches `pattern` (with %1 = the
    // escaped package name) from its start. The query gets at most the time-out; any failure answers
    // false. The answer is remembered until the package database or the program changes, so a repeated
    // question costs a few stat() calls and answers at once.
    void isPackageInstalled(const QString& package, const QString& pattern, std::function<void(bool)> done);

private:
    struct Cache;
    std::unique_ptr<Cache> m_cache;
    int m_timeoutMs;
    QString m_lastFault; // logged once while it lasts
};
} // namespace ZibAdmin
