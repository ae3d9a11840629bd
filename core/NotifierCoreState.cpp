#include "NotifierCore.h"

#include "Clock.h"
#include "Constants.h"
#include "SettingsDialog.h"
#include "UpdateInfoDialog.h"

#include <QAction>
#include <QHash>
#include <QTimer>

namespace {
constexpr int reconnectIntervalMs = 30000;
}

void NotifierCore::updateStatus(State state)
{
    m_hideTimer->stop();
    // While disconnected the pending reconnection keeps its phase, whatever is shown meanwhile.
    if (m_reconnectTimer && m_serviceConnected) {
        m_reconnectTimer->stop();
    }

    switch (state) {
    case UpdateUnavailable:
        setTrayPresentation(iconUnavailable, iconUnavailableFallback, tr("No available updates detected"));
        if (m_trayIcon && m_trayIcon->isVisible() && m_hideTray) {
            m_hideTimer->start();
        }
        closeNotification();
        break;
    case UpdateReady:
    case UpgradeReady:
        setTrayPresentation(iconAvailable, iconAvailableFallback, tr("New system update is available"));
        showTrayUnlessDeferred();
        m_updateSeen = true;
        break;
    case UpdateSet:
    case UpgradeSet:
        setTrayPresentation(
            iconAfterReboot, iconAfterRebootFallback, tr("The system will be updated on the next reboot"));
        showTrayUnlessDeferred();
        m_updateSeen = true;
        break;
    case InitError:
    case ReplyError:
        setTrayPresentation(
            iconServiceError, iconServiceErrorFallback, tr("Unable to connect to the service tarno-update-service"));
        if (m_trayIcon) {
            m_trayIcon->show();
        }
        if (state == InitError) {
            startReconnectTimer();
        }
        break;
    case Disabled:
        setTrayPresentation(
            iconServiceDisabled, iconServiceDisabledFallback, tr("The service tarno-update-service is disabled"));
        if (m_trayIcon) {
            m_trayIcon->show();
        }
        startReconnectTimer();
        break;
    }

    if (state != m_state) {
        m_state = state;
        notify(state);
    }
    updateMenuState(state);
    if (m_infoDialog) {
        pushDialogData(m_inProgress);
    }

    if (state == ReplyError) {
        connectToService();
        return;
    }
    // Whatever was shown last, a lost connection is retried every 30 s.
    if (!m_serviceConnected && !(m_reconnectTimer && m_reconnectTimer->isActive())) {
        startReconnectTimer();
    }
}

QIcon NotifierCore::trayPicture(const QString& themeName, const QString& fallback)
{
    // Every poll re-applies the state: build each picture once (the fallback SVG is parsed once) and keep
    // its identity, so an unchanged picture is not sent to the tray again. Theme icons follow theme changes.
    static QHash<QString, QIcon> pictures;
    auto picture = pictures.constFind(themeName);
    if (picture == pictures.constEnd()) {
        picture = pictures.insert(themeName, QIcon::fromTheme(themeName, QIcon(fallback)));
    }
    return *picture;
}

void NotifierCore::setTrayPresentation(const QString& themeName, const QString& fallback, const QString& toolTip)
{
    if (!m_trayIcon) {
        return;
    }
    const QIcon picture = trayPicture(themeName, fallback);
    if (m_trayIcon->icon().cacheKey() != picture.cacheKey()) {
        m_trayIcon->setIcon(picture);
    }
    if (m_trayIcon->toolTip() != toolTip) {
        m_trayIcon->setToolTip(toolTip);
    }
}

void NotifierCore::showTrayUnlessDeferred()
{
    if (!m_trayIcon) {
        return;
    }
    if (isSkipActive() && m_hideTrayDeferred) {
        m_trayIcon->setVisible(m_settingsDialog && m_settingsDialog->isVisible());
    } else {
        m_trayIcon->show();
    }
}

void NotifierCore::startReconnectTimer()
{
    if (!m_reconnectTimer) {
        m_reconnectTimer = new QTimer(this);
        m_reconnectTimer->setInterval(reconnectIntervalMs);
        connect(m_reconnectTimer, &QTimer::timeout, this, &NotifierCore::connectToService);
    }
    m_reconnectTimer->start();
}

void NotifierCore::pushDialogData(bool inProgress)
{
    if (m_trayIcon) {
        m_infoDialog->setWindowIcon(m_trayIcon->icon());
    }
    m_infoDialog->setDialogData(State(m_state), m_upgradeMode ? m_upgradeDate : m_updateDate, m_currentVersion,
        m_upgradeMode ? m_upgradeVersion : m_updateVersion, inProgress);
}

void NotifierCore::updateMenuState(State state)
{
    const QDateTime now = Clock::now();
    switch (state) {
    case UpdateUnavailable:
        m_stateAction->setEnabled(false);
        m_stateAction->setText(tr("&No updates"));
        m_stateAction->setToolTip(QStringLiteral("No updates available"));
        break;
    case UpdateReady:
    case UpgradeReady:
        m_stateAction->setEnabled(true);
        m_stateAction->setText(tr("&Update on reboot"));
        m_stateAction->setToolTip(tr("The system will be updated on the next reboot"));
        break;
    case UpdateSet:
        if (!m_updateLocked) {
            m_stateAction->setEnabled(true);
        }
        if (m_updateDate.isValid() && !(now < m_updateDate)) {
            m_stateAction->setEnabled(false);
        }
        m_stateAction->setText(tr("&Postpone the update"));
        m_stateAction->setToolTip(tr("The system won't be updated on the next reboot"));
        break;
    case UpgradeSet:
        m_stateAction->setEnabled(!m_upgradeForced);
        if (m_upgradeDate.isValid() && !(now < m_upgradeDate)) {
            m_stateAction->setEnabled(false);
        }
        m_stateAction->setText(tr("&Postpone the update"));
        m_stateAction->setToolTip(tr("The system won't be updated on the next reboot"));
        break;
    case InitError:
        m_stateAction->setEnabled(false);
        m_stateAction->setToolTip(tr("Updating system is on error state"));
        break;
    case ReplyError:
        break;
    case Disabled:
        m_stateAction->setEnabled(false);
        m_stateAction->setToolTip(tr("Updating system is not active"));
        break;
    }
}
