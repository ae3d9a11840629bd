// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "ServiceAnswer.h"
#include "State.h"
#include "StateView.h"

#include <QDateTime>
#include <QObject>

class Clock;
class ManualSwitch;
class Notifications;
class Reminders;
class ServiceClient;
class Tray;
class UpgradeFiles;

// The one update state and what follows from it: every event that learns something about the state
// comes through updateStatus(), which gathers the facts, derives what is shown, and shows it in the
// tray, the menu, the popup and the information window.
class StateModel : public QObject
{
    Q_OBJECT
public:
    struct Parts
    {
        Clock& clock;
        Tray& tray;
        Notifications& notifications;
        Reminders& reminders;
        ServiceClient& client;
        UpgradeFiles& upgradeFiles;
        ManualSwitch& manualSwitch;
    };
    StateModel(const Parts& parts, QObject* parent);

    State state() const { return m_state; }
    // The state setter: shows `state`, and raises its popup when it is new.
    void updateStatus(State state);
    // A poll's answer; every answer of the service's own state ends a pending request.
    void onPolled(ServiceState answer, bool dateChanged);
    // A state from the upgrade report; the remind menu follows a new state or date at once.
    void showState(State state, bool remindMenuStale);
    // A reminder is due: the state's popup again, unless the gate holds it back.
    void remind();
    void updateRemindMenu();
    void setCurrentVersion(const QString& version) { m_currentVersion = version; }
    void noteReachable(bool reached);

    // What the information window shows now.
    InfoView infoView() const;
    // What is shown now, for `--status`; JSON for scripts.
    QString statusReport(bool json) const;

Q_SIGNALS:
    void infoChanged(State state, const InfoView& view);

private:
    StateFacts facts(State state) const;
    void notify(const StateView& view);

    Parts m_parts;
    State m_state = State::UpdateUnavailable;
    bool m_updateSeen = false;
    QString m_currentVersion;
    bool m_serviceReached = false;
    QDateTime m_reachedSince;
};
