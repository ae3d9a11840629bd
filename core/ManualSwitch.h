// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "State.h"
#include "Timer.h"

#include <QObject>

#include <optional>

class Clock;
class Desktop;
class Notifications;
class ServiceClient;
class UpgradeFiles;

// Switching the update (or the release upgrade) on the next reboot on and off, from the menu's state
// entry, the information window's button and the notification's first action, and following each
// request up until the service confirms it.
class ManualSwitch : public QObject
{
    Q_OBJECT
public:
    struct Parts
    {
        ServiceClient& client;
        Desktop& desktop;
        Notifications& notifications;
        UpgradeFiles& upgradeFiles;
        Clock& clock;
    };
    ManualSwitch(const Parts& parts, QObject* parent);

    // The entry points; each acts by the state shown now and does nothing in the others.
    void onMenuEntry(State state);
    void onEnableRequest(State state);
    void onDisableRequest(State state);
    void onUpdateOnRebootAction(State state);

    bool inProgress() const { return m_inProgress; }
    // The service answered with a state: whatever was requested is over.
    void settle() { m_inProgress = false; }
    // The service refused a postponement; it stays refused for this run.
    bool isUpdateLocked() const { return m_updateLocked; }

Q_SIGNALS:
    // The information window should show the request's progress now.
    void progressChanged();
    // The menu's state entry waits for the outcome.
    void entryBlocked();
    // A release-upgrade switch is on its way (the upgrade files are not read meanwhile), or has ended.
    void upgradeSwitching(bool switching);

private:
    void enableUpdateOnReboot();
    void disableUpdateOnReboot();
    bool ended(const std::optional<int>& answer);
    void changeUpgrade(bool enable);
    void onUpgradeChanged(const std::optional<QString>& error);

    Parts m_parts;
    Timer m_earlyPoll;
    bool m_inProgress = false;
    bool m_updateLocked = false;
};
