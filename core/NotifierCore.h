#pragma once

#include "DbusService.h"
#include "State.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QVariantList>

#include <optional>

class KNotification;
class QAction;
class QDBusInterface;
class QFileSystemWatcher;
class QMenu;
class QTimer;
class SettingsDialog;
class UpdateInfoDialog;

// The running notifier: tray icon and menu, dialogs, notifications, the update-service connection and
// every timer. One state (m_state) drives what the tray, the menu and the notification show.
class NotifierCore : public QObject
{
    Q_OBJECT
public:
    NotifierCore(bool withTrayIcon, QObject* parent);
    ~NotifierCore() override;

public Q_SLOTS:
    void showSettings();
    void readSettings();
    void notifClosed();
    void showInfoDialogByTray(QSystemTrayIcon::ActivationReason reason);
    void hideTrayIcon();
    void onRemindLaterActionTriggered(QAction* action);
    void changeSystemStateManual();
    void checkTimeToNotify();
    void processFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void checkRebootRequest();

private:
    friend struct NotifierCoreProbe; // white-box access for the tests

    // Tray, menu and dialogs
    void buildMenu();
    void showInfoDialog();
    void checkUpgradeTool();

    // Update-service client
    void connectToService();
    void pollStatus();
    void fetchServiceError();
    bool fetchUpdateDate();
    void fetchUpdateVersion();
    void removeResultStamp(int kind);
    void enterOutsideState();
    template<typename T>
    std::optional<T> callService(const QString& method, const QVariantList& arguments = {});
    template<typename T>
    std::optional<T> invokeService(const QString& method, const QVariantList& arguments = {});

    // State model
    void updateStatus(State state);
    void updateMenuState(State state);
    static QIcon trayPicture(const QString& themeName, const QString& fallback);
    void setTrayPresentation(const QString& themeName, const QString& fallback, const QString& toolTip);
    void showTrayUnlessDeferred();
    void startReconnectTimer();
    void pushDialogData(bool inProgress);

    // Manual state change and reboot
    void onDbusServiceMessage(const QString& title, const QString& message);
    void onDbusServiceOutput(const QString& output);
    void onEnableRequest();
    void onDisableRequest();
    void onUpdateOnRebootAction();
    void enableUpdateOnReboot();
    void disableUpdateOnReboot();
    void scheduleUpgrade();
    void postponeUpgrade();
    void showErrorNotification(int type, const QString& detail);

    // Upgrade files
    void checkUpgradeFiles();
    void applyUpgradeReport();
    bool findUpgradeReport();
    int readUpgradeMode(const QString& path);
    QDateTime readUpgradeDate();
    QString readTargetRelease();
    void watchUpgradeReport();
    void unwatchUpgradeReport();
    void resetUpgradeInfo();
    bool noServiceError() const;

    // Result stamps and version
    void showUpdateResult();
    void showUpgradeResult();
    QString readCurrentVersion() const;

    // Notification schedule and remind-later
    void notify(int state);
    bool isSkipActive() const;
    void closeNotification();
    void updateRemindMenu();

    QMenu* m_menu = nullptr;
    QMenu* m_remindMenu = nullptr;
    QSystemTrayIcon* m_trayIcon = nullptr;
    SettingsDialog* m_settingsDialog = nullptr;
    QPointer<KNotification> m_notification;
    QPointer<KNotification> m_errorNotification;
    int m_lastErrorType = 0;
    qint64 m_skipNotificationDelay = -1;
    bool m_hideTray = false;
    bool m_hideTrayDeferred = false;
    bool m_updateLocked = false;
    bool m_upgradeForced = false;
    QDateTime m_upgradeDate;
    int m_state = UpdateUnavailable;
    QString m_closedEventId;
    QDateTime m_skipNotificationSince;
    QDateTime m_updateDate;
    QAction* m_stateAction = nullptr;
    QAction* m_remindDayAction = nullptr;
    QAction* m_remindTwoDaysAction = nullptr;
    QAction* m_remindWeekAction = nullptr;
    QAction* m_remindNeverAction = nullptr;
    QTimer* m_checkTimer = nullptr;
    QTimer* m_hideTimer = nullptr;
    QTimer* m_remindMenuTimer = nullptr;
    QTimer* m_statusTimer = nullptr;
    QTimer* m_reconnectTimer = nullptr;
    QTimer* m_upgradeFilesTimer = nullptr;
    QTimer* m_packageTimer = nullptr;
    UpdateInfoDialog* m_infoDialog = nullptr;
    QDBusInterface* m_service = nullptr;
    bool m_serviceConnected = false;
    bool m_actionsOffered = false;
    int m_notifyInterval = 0;
    bool m_updateSeen = false;
    bool m_upgradeMode = false;
    bool m_inProgress = false;
    int m_serviceReply = -1;
    QDateTime m_nextNotifyDate;
    QFileSystemWatcher* m_watcher = nullptr;
    QProcess m_process;
    QString m_updateVersion;
    QString m_upgradeVersion;
    QString m_watchedPath;
    QString m_currentVersion;
    ZibAdmin::DbusService m_dbusService;
};
