// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "Timer.h"

#include <QObject>

#include <memory>

class Clock;
class Desktop;
class DoNotDisturb;
class ManualSwitch;
class Notifications;
class PackageQuery;
class Popups;
class Reminders;
class ServiceClient;
class ServicePresence;
class SettingsDialog;
class StateModel;
class Tray;
class UpdateInfoDialog;
class UpdateService;
class UpgradeFiles;
class UpgradeTool;

// The running notifier. It owns the parts and wires them; the state model decides what the tray, the
// menu, the popups and the information window show.
class NotifierCore : public QObject
{
    Q_OBJECT
public:
    // The outside world, as the core sees it; the caller keeps these alive longer than the core.
    struct Platform
    {
        Clock& clock;
        UpdateService& service;
        ServicePresence& presence;
        PackageQuery& packages;
        Desktop& desktop;
        Popups& popups;
        DoNotDisturb& doNotDisturb;
    };

    NotifierCore(bool withTrayIcon, const Platform& platform, QObject* parent);
    ~NotifierCore() override;

    // What is shown now, for `--status`; JSON for scripts.
    QString statusReport(bool json) const;

public Q_SLOTS:
    void showSettings();
    void showInfoDialog();
    void readSettings();

private:
    void wireService();
    void onRemindLaterChosen(int hours);
    void showResults();
    void checkRebootRequest();

    Clock& m_clock;
    Desktop& m_desktop;
    Tray* m_tray = nullptr;
    Notifications* m_notifications = nullptr;
    ServiceClient* m_client = nullptr;
    UpgradeTool* m_upgradeTool = nullptr;
    UpgradeFiles* m_upgradeFiles = nullptr;
    ManualSwitch* m_switch = nullptr;
    Reminders* m_reminders = nullptr;
    StateModel* m_model = nullptr;
    std::unique_ptr<SettingsDialog> m_settingsDialog;
    std::unique_ptr<UpdateInfoDialog> m_infoDialog;
    Timer m_remindMenuTimer;
    bool m_resultsShown = false;
};
