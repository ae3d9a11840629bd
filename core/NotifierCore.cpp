// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "NotifierCore.h"

#include "Clock.h"
#include "Desktop.h"
#include "ManualSwitch.h"
#include "Notifications.h"
#include "Reminders.h"
#include "ResultStamps.h"
#include "ServiceClient.h"
#include "SettingsDialog.h"
#include "StateModel.h"
#include "Tray.h"
#include "UpdateInfoDialog.h"
#include "UpgradeFiles.h"
#include "UpgradeTool.h"
#include "VersionFile.h"

#include <QPointer>

namespace {
constexpr int remindMenuIntervalMs = 1800000;
} // namespace

NotifierCore::NotifierCore(bool withTrayIcon, const Platform& platform, QObject* parent)
    : QObject(parent)
    , m_clock(platform.clock)
    , m_desktop(platform.desktop)
    , m_remindMenuTimer(platform.clock, remindMenuIntervalMs, false, this)
{
    // The icon first: whether it shows at once is all it needs of the settings. Loading them may store the
    // first reminder date, which waits until the icon is on its way.
    const bool shown = !SettingsStore::read(m_clock.now()).hideTray;
    m_tray = new Tray(withTrayIcon, shown, platform.desktop, m_clock, this);
    m_reminders = new Reminders(m_clock, this);
    m_reminders->load();
    m_tray->setHideDelay(m_reminders->settings().hideTrayDelayMs);
    m_notifications = new Notifications(platform.popups, platform.doNotDisturb, this);
    m_client = new ServiceClient(platform.service, platform.presence, m_clock, this);
    m_upgradeTool = new UpgradeTool(platform.packages, m_clock, this);
    m_upgradeFiles = new UpgradeFiles(*m_client, m_clock, this);
    m_switch = new ManualSwitch({*m_client, m_desktop, *m_notifications, *m_upgradeFiles, m_clock}, this);
    m_model =
        new StateModel({m_clock, *m_tray, *m_notifications, *m_reminders, *m_client, *m_upgradeFiles, *m_switch}, this);

    connect(m_tray, &Tray::infoRequested, this, &NotifierCore::showInfoDialog);
    connect(m_tray, &Tray::settingsRequested, this, &NotifierCore::showSettings);
    connect(m_tray, &Tray::remindLaterChosen, this, &NotifierCore::onRemindLaterChosen);
    connect(m_tray, &Tray::stateEntryTriggered, this, [this] { m_switch->onMenuEntry(m_model->state()); });
    connect(m_notifications, &Notifications::showMoreChosen, this, &NotifierCore::showInfoDialog);
    connect(m_notifications, &Notifications::updateOnRebootChosen, this,
        [this] { m_switch->onUpdateOnRebootAction(m_model->state()); });
    connect(m_reminders, &Reminders::due, m_model, &StateModel::remind);
    connect(m_notifications, &Notifications::stateDue, m_model, &StateModel::remind);

    connect(m_upgradeTool, &UpgradeTool::filesDue, m_upgradeFiles, &UpgradeFiles::check);
    connect(m_upgradeTool, &UpgradeTool::removed, m_upgradeFiles, &UpgradeFiles::reset);
    connect(m_upgradeFiles, &UpgradeFiles::stateRead, m_model, &StateModel::showState);
    connect(m_upgradeFiles, &UpgradeFiles::outsideEntered, this, [this] {
        m_tray->setStateEntry({false, std::nullopt, std::nullopt});
        m_model->updateRemindMenu();
    });

    connect(m_switch, &ManualSwitch::entryBlocked, m_tray, [this] { m_tray->setStateEntry({false, {}, {}}); });
    connect(m_switch, &ManualSwitch::upgradeSwitching, m_upgradeTool,
        [this](bool switching) { m_upgradeTool->setPaused(UpgradeTool::Switching, switching); });
    connect(m_switch, &ManualSwitch::progressChanged, this, [this] {
        if (m_infoDialog) {
            m_infoDialog->setDialogData(m_model->state(), m_model->infoView());
        }
    });
    connect(m_model, &StateModel::infoChanged, this, [this](State state, const InfoView& view) {
        if (m_infoDialog) {
            m_infoDialog->setWindowIcon(m_tray->icon());
            m_infoDialog->setDialogData(state, view);
        }
    });

    wireService();
    connect(&m_remindMenuTimer, &Timer::timeout, m_model, &StateModel::updateRemindMenu);
    m_remindMenuTimer.start();
    // Nothing the icon waits for: after the event loop's first turn.
    QTimer::singleShot(0, this, [this] {
        m_upgradeTool->start();
        m_client->start();
        m_model->setCurrentVersion(readSystemVersion());
    });
}

NotifierCore::~NotifierCore()
{
    delete m_tray;
    m_notifications->close();
    m_infoDialog.reset();
    m_settingsDialog.reset();
}

void NotifierCore::wireService()
{
    connect(m_client, &ServiceClient::pollStarted, this, [this] { m_model->setCurrentVersion(readSystemVersion()); });
    connect(m_client, &ServiceClient::connecting, m_upgradeTool,
        [this] { m_upgradeTool->setPaused(UpgradeTool::Connecting, true); });
    connect(m_client, &ServiceClient::connected, this, [this](bool first) {
        // Later connections keep what is shown until a poll has asked the service.
        if (first) {
            m_model->updateStatus(State::UpdateUnavailable);
        }
        m_upgradeTool->setPaused(UpgradeTool::Connecting, false);
        m_model->noteReachable(true);
        showResults();
    });
    connect(m_client, &ServiceClient::unreachable, this, [this] {
        m_model->updateStatus(State::InitError);
        m_model->noteReachable(false);
        showResults();
    });
    connect(m_client, &ServiceClient::callFailed, this, [this] { m_model->updateStatus(State::ReplyError); });
    connect(m_client, &ServiceClient::errorChecked, m_notifications, &Notifications::showServiceError);
    connect(m_client, &ServiceClient::polled, m_model, &StateModel::onPolled);
}

void NotifierCore::showInfoDialog()
{
    if (!m_infoDialog) {
        m_infoDialog = std::make_unique<UpdateInfoDialog>(m_clock);
        connect(m_infoDialog.get(), &UpdateInfoDialog::enableRequest, this,
            [this] { m_switch->onEnableRequest(m_model->state()); });
        connect(m_infoDialog.get(), &UpdateInfoDialog::disableRequest, this,
            [this] { m_switch->onDisableRequest(m_model->state()); });
        connect(m_infoDialog.get(), &QDialog::accepted, this, &NotifierCore::checkRebootRequest);
    }
    m_infoDialog->setWindowIcon(m_tray->icon());
    m_infoDialog->setDialogData(m_model->state(), m_model->infoView());
    m_infoDialog->show();
}

void NotifierCore::showSettings()
{
    if (!m_settingsDialog) {
        m_settingsDialog = std::make_unique<SettingsDialog>([this] { return m_clock.now(); });
        connect(
            m_settingsDialog.get(), &SettingsDialog::helpRequested, this, [this] { m_desktop.showHelp(QString()); });
        // The window is closed by now; the tray may hide again.
        connect(m_settingsDialog.get(), &QDialog::accepted, this, [this] {
            m_tray->setPinned(false);
            readSettings();
        });
        connect(m_settingsDialog.get(), &QDialog::rejected, this, [this] {
            m_tray->setPinned(false);
            m_model->updateStatus(m_model->state());
        });
    }
    if (m_tray->hasIcon()) {
        m_settingsDialog->setWindowIcon(m_tray->icon());
    }
    if (!m_settingsDialog->isVisible()) {
        m_settingsDialog->show();
    }
    m_settingsDialog->raise();
    m_tray->setPinned(true);
    m_tray->setVisible(true);
}

void NotifierCore::readSettings()
{
    m_reminders->load();
    m_tray->setHideDelay(m_reminders->settings().hideTrayDelayMs);
    if (m_client->isConnected()) {
        m_model->updateStatus(m_model->state());
    }
}

void NotifierCore::onRemindLaterChosen(int hours)
{
    m_reminders->postpone(hours);
    m_notifications->close();
    if (m_reminders->settings().hideTrayDeferred) {
        m_tray->hide();
    }
}

// OK in the information window with "Reboot now" ticked; a reboot that does not happen is told.
void NotifierCore::checkRebootRequest()
{
    if (m_infoDialog->rebootNowChecked()) {
        m_desktop.reboot([self = QPointer<NotifierCore>(this)](bool ok) {
            if (self && !ok) {
                self->m_notifications->showRebootFailed();
            }
        });
    }
}

// Once per run, when the first connection attempt has ended, so a stamp can be removed.
void NotifierCore::showResults()
{
    if (m_resultsShown) {
        return;
    }
    m_resultsShown = true;
    ResultStamps::tell(
        m_desktop, readSystemVersion(), this, [this](ResultStamp kind) { m_client->removeResultStamp(kind); });
}

QString NotifierCore::statusReport(bool json) const
{
    return m_model->statusReport(json);
}
