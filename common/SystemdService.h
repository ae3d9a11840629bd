#pragma once

#include <QString>

namespace ZibAdmin {
// Whether the daemon started from an executable path is running.
class SystemdService
{
public:
    explicit SystemdService(const QString& path);

    bool isActive() const;

private:
    bool isUnitActive(bool* answered) const;
    bool isProcessRunning() const;

    QString m_path;
};
} // namespace ZibAdmin
