#pragma once

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <memory>

class Clock;
class Desktop;
class ManualSwitch;
class Reminders;
class Notifications;
class PackageQuery;
class ServiceClient;
class ServicePresence;
class SettingsDialog;
class Tray;
class UpdateInfoDialog;
class UpdateService;
class UpgradeFiles;
class UpgradeTool;
struct DueFacts;

// The running notifier. It owns the parts and wires them: one state (m_state) decides what the tray,
// the menu, the notification and the information window show.
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
    };

    NotifierCore(bool withTrayIcon, const Platform& platform, QObject* parent);
    ~NotifierCore() override;

    int state() const { return m_state; }
    // What is shown now, for `--status`; JSON for scripts.
    QString statusReport(bool json) const;
    Tray& tray() const { return *m_tray; }
    Notifications& notifications() const { return *m_notifications; }
    ServiceClient& serviceClient() const { return *m_client; }
    UpgradeFiles& upgradeFiles() const { return *m_upgradeFiles; }
    Reminders& reminders() const { return *m_reminders; }
    SettingsDialog* settingsDialog() const { return m_settingsDialog.get(); }
    UpdateInfoDialog* infoDialog() const { return m_infoDialog.get(); }

public Q_SLOTS:
    void showSettings();
    void showInfoDialog();
    void readSettings();
    void updateRemindMenu();

private:
    void updateStatus(int state);
    void onPolled(int answer, bool dateChanged);
    void onRemindLaterChosen(int hours);
    void showState(int state, bool remindMenuStale);
    void showResults();
    void noteReachable(bool reached);
    void notify(int state);
    void pushDialogData(bool upgrade, bool inProgress);
    void checkRebootRequest();
    DueFacts dueFacts(int state) const;

    Clock& m_clock;
    Desktop& m_desktop;
    Tray* m_tray = nullptr;
    Notifications* m_notifications = nullptr;
    ServiceClient* m_client = nullptr;
    UpgradeTool* m_upgradeTool = nullptr;
    UpgradeFiles* m_upgradeFiles = nullptr;
    ManualSwitch* m_switch = nullptr;
    Reminders* m_reminders = nullptr;
    std::unique_ptr<SettingsDialog> m_settingsDialog;
    std::unique_ptr<UpdateInfoDialog> m_infoDialog;
    QTimer m_remindMenuTimer;
    int m_state = 0;
    bool m_updateSeen = false;
    bool m_resultsShown = false;
    QString m_currentVersion;
    bool m_serviceReached = false;
    QDateTime m_reachedSince;
};
