#include "NotifierCore.h"

#include "Constants.h"
#include "NotifierLogging.h"
#include "PackageManager.h"
#include "SettingsDialog.h"
#include "UpdateInfoDialog.h"
#include "ZibHelpMenu.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>

namespace {
constexpr int packageCheckIntervalMs = 60000;
constexpr int upgradeFilesIntervalMs = 10000;
constexpr int statusPollIntervalMs = 30000;
constexpr int firstPollDelayMs = 3000;
constexpr int remindMenuIntervalMs = 1800000;
} // namespace

NotifierCore::NotifierCore(bool withTrayIcon, QObject* parent) : QObject(parent)
{
    buildMenu();

    if (withTrayIcon) {
        m_trayIcon = new QSystemTrayIcon(this);
        m_trayIcon->setContextMenu(m_menu);
        m_trayIcon->setIcon(trayPicture(iconUnavailable, iconUnavailableFallback));
        connect(m_trayIcon, &QSystemTrayIcon::activated, this, &NotifierCore::showInfoDialogByTray);
        m_trayIcon->setVisible(true);
    }

    m_checkTimer = new QTimer(this);
    connect(m_checkTimer, &QTimer::timeout, this, &NotifierCore::checkTimeToNotify);

    m_hideTimer = new QTimer(this);
    m_hideTimer->setSingleShot(true);
    connect(m_hideTimer, &QTimer::timeout, this, &NotifierCore::hideTrayIcon);

    connect(&m_dbusService, &ZibAdmin::DbusService::showMessage, this, &NotifierCore::onDbusServiceMessage);
    connect(&m_dbusService, &ZibAdmin::DbusService::processOutput, this, &NotifierCore::onDbusServiceOutput);

    readSettings();

    if (m_hideTray && m_trayIcon) {
        m_trayIcon->hide();
    }
    if (m_trayIcon && m_trayIcon->isVisible()) {
        // Hand the icon to the tray now, so it is embedded while the slower start-up steps run.
        QGuiApplication::sync();
    }

    checkUpgradeTool();
    m_packageTimer = new QTimer(this);
    m_packageTimer->setInterval(packageCheckIntervalMs);
    connect(m_packageTimer, &QTimer::timeout, this, &NotifierCore::checkUpgradeTool);
    m_packageTimer->start();

    connectToService();

    showUpdateResult();
    showUpgradeResult();

    m_currentVersion = readCurrentVersion();

    m_statusTimer = new QTimer(this);
    connect(m_statusTimer, &QTimer::timeout, this, &NotifierCore::pollStatus);
    m_statusTimer->setInterval(statusPollIntervalMs);
    m_statusTimer->start();
    QTimer::singleShot(firstPollDelayMs, this, &NotifierCore::pollStatus);

    m_remindMenuTimer = new QTimer(this);
    connect(m_remindMenuTimer, &QTimer::timeout, this, &NotifierCore::updateRemindMenu);
    m_remindMenuTimer->setInterval(remindMenuIntervalMs);
    m_remindMenuTimer->start();
}

NotifierCore::~NotifierCore()
{
    qCDebug(lcCore) << "destroying: menu";
    delete m_menu;
    qCDebug(lcCore) << "destroying: notification";
    closeNotification();
    qCDebug(lcCore) << "destroying: dialogs";
    delete m_infoDialog;
    delete m_settingsDialog;
    qCDebug(lcCore) << "destroying: members and children";
}

void NotifierCore::buildMenu()
{
    if (m_menu) {
        return;
    }
    m_menu = new QMenu();

    m_remindMenu = new QMenu(m_menu);
    m_remindMenu->setTitle(tr("Disable notifications"));
    QAction* hourAction = m_remindMenu->addAction(tr("in 1 hour"));
    hourAction->setData(1);
    m_remindDayAction = m_remindMenu->addAction(tr("for 1 day"));
    m_remindDayAction->setData(24);
    m_remindTwoDaysAction = m_remindMenu->addAction(tr("for 2 days"));
    m_remindTwoDaysAction->setData(48);
    m_remindWeekAction = m_remindMenu->addAction(tr("for a week"));
    m_remindWeekAction->setData(168);
    // Its hours depend on the due date and are computed later.
    m_remindNeverAction = m_remindMenu->addAction(tr("Not to remind"));
    m_remindNeverAction->setVisible(false);
    connect(m_remindMenu, &QMenu::triggered, this, &NotifierCore::onRemindLaterActionTriggered);
    m_remindMenu->setEnabled(false);

    m_menu->addMenu(new ZibHelpMenu(m_menu));

    QAction* settingsAction = m_menu->addAction(tr("&Settings"));
    connect(settingsAction, &QAction::triggered, this, &NotifierCore::showSettings);

    m_menu->addSeparator();

    m_stateAction = m_menu->addAction(tr("&No updates"));
    m_stateAction->setEnabled(false);
    connect(m_stateAction, &QAction::triggered, this, &NotifierCore::changeSystemStateManual);

    m_menu->addMenu(m_remindMenu);
}

void NotifierCore::showInfoDialogByTray(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::Trigger) {
        showInfoDialog();
    }
}

void NotifierCore::showInfoDialog()
{
    if (!m_infoDialog) {
        m_infoDialog = new UpdateInfoDialog();
        connect(m_infoDialog, &UpdateInfoDialog::enableRequest, this, &NotifierCore::onEnableRequest);
        connect(m_infoDialog, &UpdateInfoDialog::disableRequest, this, &NotifierCore::onDisableRequest);
        connect(m_infoDialog, &QDialog::accepted, this, &NotifierCore::checkRebootRequest);
    }
    pushDialogData(m_inProgress);
    m_infoDialog->show();
}

void NotifierCore::showSettings()
{
    if (!m_settingsDialog) {
        m_settingsDialog = new SettingsDialog();
        connect(m_settingsDialog, &QDialog::accepted, this, &NotifierCore::readSettings);
        connect(m_settingsDialog, &QDialog::rejected, this, [this] { updateStatus(State(m_state)); });
    }
    if (m_trayIcon) {
        m_settingsDialog->setWindowIcon(m_trayIcon->icon());
    }
    if (!m_settingsDialog->isVisible()) {
        m_settingsDialog->show();
    }
    m_settingsDialog->raise();
    if (m_trayIcon) {
        m_trayIcon->show();
    }
}

void NotifierCore::checkUpgradeTool()
{
    if (ZibAdmin::PackageManager::isPackageInstalled(upgradePackageName, QStringLiteral("ii\\s%1"))) {
        if (!m_upgradeFilesTimer) {
            m_upgradeFilesTimer = new QTimer(this);
            connect(m_upgradeFilesTimer, &QTimer::timeout, this, &NotifierCore::checkUpgradeFiles);
            m_upgradeFilesTimer->setInterval(upgradeFilesIntervalMs);
        }
        if (!m_upgradeFilesTimer->isActive()) {
            m_upgradeFilesTimer->start();
        }
        return;
    }
    if (m_upgradeFilesTimer) {
        m_upgradeFilesTimer->stop();
    }
    resetUpgradeInfo();
}
