// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "DbusFaultLog.h"
#include "UpdateService.h"

#include <QDBusConnection>
#include <QDBusPendingReply>
#include <QObject>

class UpdateServiceProxy;

// The update service over the system bus, through the proxy generated from its interface description
// (resources/dbus). Every call is asynchronous; a failure is logged once per fault (DbusFaultLog).
class DbusUpdateService : public QObject, public UpdateService
{
    Q_OBJECT
public:
    explicit DbusUpdateService(QObject* parent = nullptr);

    void checkReachable(std::function<void(bool)> done) override;
    void watchOwner(std::function<void(bool owned)> changed) override;
    void currentState(IntReply done) override;
    void currentError(IntReply done) override;
    void updateDate(TextReply done) override;
    void updateVersion(TextReply done) override;
    void enableOnReboot(IntReply done) override;
    void disableOnReboot(IntReply done) override;
    void removeResultStamp(int kind, IntReply done) override;
    void setStateFromOutside(int state, IntReply done) override;

private:
    UpdateServiceProxy& proxy();
    template<typename T>
    void watch(const QString& method, const QDBusPendingReply<T>& call, std::function<void(std::optional<T>)> done);

    // Connected at the first call, not when built: the tray icon comes first.
    static QDBusConnection bus() { return QDBusConnection::systemBus(); }
    UpdateServiceProxy* m_proxy = nullptr; // a child, made at the first call
    DbusFaultLog m_faults;
};
