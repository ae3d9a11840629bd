#pragma once

#include "NotifierCore.h"

#include <KNotification>

#include <QAction>
#include <QMenu>
#include <QTimer>

// White-box view of the core for the tests: its members and private operations.
struct NotifierCoreProbe
{
    explicit NotifierCoreProbe(NotifierCore* core) : c(core) { }
    NotifierCore* c;

    // Members
    QMenu* menu() const { return c->m_menu; }
    QMenu* remindMenu() const { return c->m_remindMenu; }
    QSystemTrayIcon* trayIcon() const { return c->m_trayIcon; }
    SettingsDialog* settingsDialog() const { return c->m_settingsDialog; }
    UpdateInfoDialog* infoDialog() const { return c->m_infoDialog; }
    KNotification* notification() const { return c->m_notification; }
    KNotification* errorNotification() const { return c->m_errorNotification; }
    int& lastErrorType() const { return c->m_lastErrorType; }
    qint64& skipNotificationDelay() const { return c->m_skipNotificationDelay; }
    QDateTime& skipNotificationSince() const { return c->m_skipNotificationSince; }
    bool& hideTray() const { return c->m_hideTray; }
    bool& hideTrayDeferred() const { return c->m_hideTrayDeferred; }
    bool& updateLocked() const { return c->m_updateLocked; }
    bool& upgradeForced() const { return c->m_upgradeForced; }
    QDateTime& upgradeDate() const { return c->m_upgradeDate; }
    int& state() const { return c->m_state; }
    QString& closedEventId() const { return c->m_closedEventId; }
    QDateTime& updateDate() const { return c->m_updateDate; }
    QAction* stateAction() const { return c->m_stateAction; }
    QAction* remindDayAction() const { return c->m_remindDayAction; }
    QAction* remindTwoDaysAction() const { return c->m_remindTwoDaysAction; }
    QAction* remindWeekAction() const { return c->m_remindWeekAction; }
    QAction* remindNeverAction() const { return c->m_remindNeverAction; }
    QAction* remindHourAction() const { return c->m_remindMenu->actions().value(0); }
    QTimer* checkTimer() const { return c->m_checkTimer; }
    QTimer* hideTimer() const { return c->m_hideTimer; }
    QTimer* remindMenuTimer() const { return c->m_remindMenuTimer; }
    QTimer* statusTimer() const { return c->m_statusTimer; }
    QTimer* reconnectTimer() const { return c->m_reconnectTimer; }
    QTimer* upgradeFilesTimer() const { return c->m_upgradeFilesTimer; }
    QTimer* packageTimer() const { return c->m_packageTimer; }
    QDBusInterface* service() const { return c->m_service; }
    bool& serviceConnected() const { return c->m_serviceConnected; }
    bool& actionsOffered() const { return c->m_actionsOffered; }
    int& notifyInterval() const { return c->m_notifyInterval; }
    bool& updateSeen() const { return c->m_updateSeen; }
    bool& upgradeMode() const { return c->m_upgradeMode; }
    bool& inProgress() const { return c->m_inProgress; }
    int& serviceReply() const { return c->m_serviceReply; }
    QDateTime& nextNotifyDate() const { return c->m_nextNotifyDate; }
    QString& updateVersion() const { return c->m_updateVersion; }
    QString& currentVersion() const { return c->m_currentVersion; }

    // Operations
    void connectToService() const { c->connectToService(); }
    void pollStatus() const { c->pollStatus(); }
    void fetchServiceError() const { c->fetchServiceError(); }
    bool fetchUpdateDate() const { return c->fetchUpdateDate(); }
    void removeResultStamp(int kind) const { c->removeResultStamp(kind); }
    void enterOutsideState() const { c->enterOutsideState(); }
    void updateStatus(State state) const { c->updateStatus(state); }
    void checkUpgradeTool() const { c->checkUpgradeTool(); }
    void showInfoDialog() const { c->showInfoDialog(); }
    void notify(int state) const { c->notify(state); }
    bool isSkipActive() const { return c->isSkipActive(); }
    void closeNotification() const { c->closeNotification(); }
    void updateRemindMenu() const { c->updateRemindMenu(); }
};
