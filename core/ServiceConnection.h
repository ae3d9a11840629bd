// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "Timer.h"

#include <QObject>

#include <functional>

class Clock;
class ServicePresence;
class UpdateService;

// Whether the update service is there, and the connection to it. The service is there while its name
// has an owner on the system bus and its process runs; the cheap test comes first. The bus tells when the
// name gets or loses its owner, so a service that ends or returns is seen at once; the attempts every
// 30 s stay for whatever the bus does not tell.
class ServiceConnection : public QObject
{
    Q_OBJECT
public:
    ServiceConnection(UpdateService& service, ServicePresence& presence, Clock& clock, QObject* parent);

    bool isConnected() const { return m_connected; }
    // From now on, follow the name's owner.
    void watchOwner();
    // An attempt: connected() or unreachable() follows, then `done`.
    void attempt(bool first, std::function<void()> done);
    // After a failed call: `done` learns whether the service is still there. One that is gone is lost,
    // as at a failed attempt.
    void checkAfterFailure(std::function<void(bool stillThere)> done);
    // Another attempt in 30 s, also while connected.
    void retryLater() { m_retryTimer.start(); }

Q_SIGNALS:
    void connecting(); // the connection counts as lost until the attempt succeeds
    void connected(bool first);
    void unreachable();
    void retryDue(); // the 30-s attempt, or at once when the name gets an owner

private:
    enum class Presence { Unknown, Reached, Unreachable };

    void checkPresent(std::function<void(const char* missing)> done);
    void lose(const char* missing);
    void onOwnerLost();

    UpdateService& m_service;
    ServicePresence& m_presence;
    Timer m_retryTimer;
    bool m_connected = false;
    Presence m_presenceSeen = Presence::Unknown;
    int m_ownerLosses = 0;
};
