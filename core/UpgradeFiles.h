// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "State.h"
#include "Timer.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>

class Clock;
class QFileSystemWatcher;
class ServiceClient;

// The files that the release-upgrade tool leaves behind: its configuration (the target release) and
// its report (ready, activated or forced, and until when). While the report is there it is watched,
// the update service is told that the state is driven from outside, and the report decides the state.
class UpgradeFiles : public QObject
{
    Q_OBJECT
public:
    UpgradeFiles(ServiceClient& client, Clock& clock, QObject* parent);

    // The 10-s pass: find, watch, read the target release, enter the outside state, apply the report.
    void check();
    // Reads the report and asks for the state it gives; nothing while the service is not connected.
    void apply();
    // The report is gone or the tool removed: stop watching and forget the date.
    void reset();

    // The service has accepted that the upgrade tool drives the state (or reports so when polled).
    bool isOutside() const { return m_outside; }
    void setOutside(bool outside) { m_outside = outside; }
    QDateTime date() const { return m_date; }
    bool isForced() const { return m_forced; }
    QString targetRelease() const { return m_targetRelease; }

Q_SIGNALS:
    void outsideEntered();
    // UpgradeReady, UpgradeSet, or UpdateUnavailable for a report without a mode we know.
    void stateRead(State state, bool dateChanged);

private:
    bool find();

    ServiceClient& m_client;
    Timer m_goneTimer; // a poll 3 s after the report went away
    bool m_outside = false;
    QPointer<QFileSystemWatcher> m_watcher;
    QString m_reportPath;
    QDateTime m_date;
    bool m_forced = false;
    QString m_targetRelease;
};
