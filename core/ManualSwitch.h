#pragma once

#include <QObject>
#include <QTimer>

#include <optional>

class Desktop;
class Notifications;
class ServiceClient;
class Tray;
class UpgradeFiles;
class UpgradeTool;

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
        Tray& tray;
        UpgradeTool& upgradeTool;
        UpgradeFiles& upgradeFiles;
    };
    ManualSwitch(const Parts& parts, QObject* parent);

    // The entry points; each acts by the state shown now and does nothing in the others.
    void onMenuEntry(int state);
    void onEnableRequest(int state);
    void onDisableRequest(int state);
    void onUpdateOnRebootAction(int state);

    bool inProgress() const { return m_inProgress; }
    // The service answered with a state: whatever was requested is over.
    void settle() { m_inProgress = false; }
    // The service refused a postponement; it stays refused for this run.
    bool isUpdateLocked() const { return m_updateLocked; }

Q_SIGNALS:
    // The information window should show the update's (or the upgrade's) data now.
    void dialogRefresh(bool upgrade, bool inProgress);

private:
    void enableUpdateOnReboot();
    void disableUpdateOnReboot();
    void changeUpgrade(bool enable);
    void onUpgradeChanged(const std::optional<QString>& error);

    Parts m_parts;
    QTimer m_earlyPoll;
    bool m_inProgress = false;
    bool m_updateLocked = false;
};
