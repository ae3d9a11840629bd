#pragma once

#include "DbusFaultLog.h"

#include <QObject>

class QDBusPendingCallWatcher;

namespace ZibAdmin {
// Client of the desktop's administration service for the release-upgrade switch.
class DbusService : public QObject
{
    Q_OBJECT
public:
    explicit DbusService(QObject* parent = nullptr);

    // Asynchronous: the outcome arrives as processOutput() or showMessage().
    void changeUpgradeState(bool enable);

Q_SIGNALS:
    void showMessage(const QString& title, const QString& message);
    void processOutput(const QString& output);

private:
    void onFinished(QDBusPendingCallWatcher* watcher);

    DbusFaultLog m_faults;
};
} // namespace ZibAdmin
