// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "ServiceAnswer.h"
#include "ServiceConnection.h"
#include "Timer.h"
#include "UpdateService.h"

#include <QDateTime>
#include <QObject>
#include <QQueue>

class Clock;

// Talks to the update service: connects, polls every 30 s and reconnects. Calls go out one at a time,
// each after the previous one has answered, and the event loop never waits for them. A request made
// while a call is pending runs after it. A failed call is told apart: a service that is gone (its name
// has no owner or its process no longer runs) is unreachable; one still there answered wrongly.
class ServiceClient : public QObject
{
    Q_OBJECT
public:
    ServiceClient(UpdateService& service, ServicePresence& presence, Clock& clock, QObject* parent);

    // The first connection, the 30-s poll and a first poll 3 s later (or 3 s after a late connection).
    void start();
    // At once, or right after the call that is pending.
    void reconnect();
    // Another attempt in 30 s, also while connected.
    void retryLater() { m_connection.retryLater(); }
    void poll();

    // Skipped while not connected. `done` always runs, with std::nullopt for a skipped or failed call.
    void removeResultStamp(ResultStamp kind);
    void enterOutsideState(std::function<void(bool entered)> done);
    void enableOnReboot(UpdateService::IntReply done);
    void disableOnReboot(UpdateService::IntReply done);

    bool isConnected() const { return m_connection.isConnected(); }
    // The service's last error code: -1 until first read, then 0 for none.
    int errorCode() const { return m_errorCode; }
    QDateTime updateDate() const { return m_updateDate; }
    QString updateVersion() const { return m_updateVersion; }

Q_SIGNALS:
    void pollStarted(); // also while not connected
    void connecting(); // an attempt begins; the connection counts as lost until it succeeds
    void connected(bool first);
    void unreachable();
    void callFailed();
    // The service's error code (0: none) after each poll's error query; `answered` false: the query failed.
    void errorChecked(int code, bool answered);
    // A poll's answer; `dateChanged` only for Ready and Set.
    void polled(ServiceState state, bool dateChanged);

private:
    using Step = std::function<void()>;

    void runOrQueue(Step job);
    void finishJob();
    void attempt(bool first, Step done);
    void onConnected(bool first);
    void afterCall(Step next);
    void failed(Step stillThere, Step gone);
    void pollError();
    void pollState();
    void pollDate(ServiceState state);
    void pollVersion(ServiceState state, bool dateChanged);
    void endPoll(std::optional<ServiceState> state, bool dateChanged);
    void request(std::function<void(UpdateService::IntReply)> call, UpdateService::IntReply done);

    template<typename T>
    std::function<void(T)> guarded(std::function<void(T)> handler);

    UpdateService& m_service;
    ServiceConnection m_connection;
    Timer m_pollTimer;
    Timer m_firstPollTimer;
    QQueue<Step> m_jobs;
    bool m_busy = false;
    bool m_polling = false;
    bool m_reconnectWanted = false;
    bool m_firstPollDone = false;
    int m_errorCode = -1;
    QDateTime m_updateDate;
    QString m_updateVersion;
};
