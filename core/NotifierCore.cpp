#include "NotifierCore.h"

#include "Clock.h"
#include "Desktop.h"
#include "ManualSwitch.h"
#include "Notifications.h"
#include "Presentation.h"
#include "ReminderSchedule.h"
#include "Reminders.h"
#include "ResultStamps.h"
#include "ServiceClient.h"
#include "SettingsDialog.h"
#include "StatusReport.h"
#include "Tray.h"
#include "UpdateInfoDialog.h"
#include "UpgradeFiles.h"
#include "UpgradeTool.h"
#include "VersionFile.h"

#include <QPointer>

namespace {
constexpr int remindMenuIntervalMs = 1800000;

bool isUpdateState(int state)
{
    return state == UpdateReady || state == UpdateSet || state == UpgradeReady || state == UpgradeSet;
}
} // namespace

NotifierCore::NotifierCore(bool withTrayIcon, const Platform& platform, QObject* parent)
    : QObject(parent), m_clock(platform.clock), m_desktop(platform.desktop), m_remindMenuTimer(this)
{
    m_tray = new Tray(withTrayIcon, platform.desktop, this);
    connect(m_tray, &Tray::infoRequested, this, &NotifierCore::showInfoDialog);
    connect(m_tray, &Tray::settingsRequested, this, &NotifierCore::showSettings);
    connect(m_tray, &Tray::remindLaterChosen, this, &NotifierCore::onRemindLaterChosen);

    m_notifications = new Notifications(this);
    connect(m_notifications, &Notifications::showMoreChosen, this, &NotifierCore::showInfoDialog);

    m_reminders = new Reminders(m_clock, this);
    connect(m_reminders, &Reminders::due, this, [this] { notify(m_state); });

    m_client = new ServiceClient(platform.service, platform.presence, this);
    m_upgradeTool = new UpgradeTool(platform.packages, this);
    m_upgradeFiles = new UpgradeFiles(*m_client, this);
    connect(m_upgradeTool, &UpgradeTool::filesDue, m_upgradeFiles, &UpgradeFiles::check);
    connect(m_upgradeTool, &UpgradeTool::removed, m_upgradeFiles, &UpgradeFiles::reset);
    connect(m_upgradeFiles, &UpgradeFiles::stateRead, this, &NotifierCore::showState);
    connect(m_upgradeFiles, &UpgradeFiles::outsideEntered, this, [this] {
        m_tray->setStateEntry({false, std::nullopt, std::nullopt});
        updateRemindMenu();
    });
    m_switch =
        new ManualSwitch({*m_client, m_desktop, *m_notifications, *m_tray, *m_upgradeTool, *m_upgradeFiles}, this);
    connect(m_tray, &Tray::stateEntryTriggered, this, [this] { m_switch->onMenuEntry(m_state); });
    connect(m_notifications, &Notifications::updateOnRebootChosen, this,
        [this] { m_switch->onUpdateOnRebootAction(m_state); });
    connect(m_switch, &ManualSwitch::dialogRefresh, this, [this](bool upgrade, bool inProgress) {
        if (m_infoDialog) {
            pushDialogData(upgrade, inProgress);
        }
    });

    readSettings();
    // With the default settings the icon starts hidden; the first state that matters shows it.
    if (m_reminders->settings().hideTray) {
        m_tray->setVisible(false);
    }
    m_tray->flush();

    m_upgradeTool->start();

    connect(m_client, &ServiceClient::pollStarted, this, [this] { m_currentVersion = readSystemVersion(); });
    connect(m_client, &ServiceClient::connecting, m_upgradeTool, &UpgradeTool::pauseFiles);
    connect(m_client, &ServiceClient::connected, this, [this](bool first) {
        // Later connections keep what is shown until a poll has asked the service.
        if (first) {
            updateStatus(UpdateUnavailable);
        }
        m_upgradeTool->resumeFiles();
        noteReachable(true);
        showResults();
    });
    connect(m_client, &ServiceClient::unreachable, this, [this] {
        updateStatus(InitError);
        noteReachable(false);
        showResults();
    });
    connect(m_client, &ServiceClient::callFailed, this, [this] { updateStatus(ReplyError); });
    connect(m_client, &ServiceClient::errorChecked, m_notifications, &Notifications::showServiceError);
    connect(m_client, &ServiceClient::polled, this, &NotifierCore::onPolled);
    m_client->start();

    m_currentVersion = readSystemVersion();
    m_remindMenuTimer.setObjectName(QStringLiteral("remindMenuTimer"));
    m_remindMenuTimer.setInterval(remindMenuIntervalMs);
    connect(&m_remindMenuTimer, &QTimer::timeout, this, &NotifierCore::updateRemindMenu);
    m_remindMenuTimer.start();
}

NotifierCore::~NotifierCore()
{
    delete m_tray;
    m_notifications->close();
    m_infoDialog.reset();
    m_settingsDialog.reset();
}

void NotifierCore::showInfoDialog()
{
    if (!m_infoDialog) {
        m_infoDialog = std::make_unique<UpdateInfoDialog>([this] { return m_clock.now(); });
        connect(
            m_infoDialog.get(), &UpdateInfoDialog::enableRequest, this, [this] { m_switch->onEnableRequest(m_state); });
        connect(m_infoDialog.get(), &UpdateInfoDialog::disableRequest, this,
            [this] { m_switch->onDisableRequest(m_state); });
        connect(m_infoDialog.get(), &QDialog::accepted, this, &NotifierCore::checkRebootRequest);
    }
    pushDialogData(m_upgradeFiles->isOutside(), m_switch->inProgress());
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
            updateStatus(m_state);
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
        updateStatus(m_state);
    }
}

void NotifierCore::updateStatus(int state)
{
    const TrayLook look = Presentation::trayLookFor(state);
    m_tray->setLook(look);
    const SettingsStore::Values& settings = m_reminders->settings();
    m_tray->applyVisibility(
        look.visibility, settings.hideTray, m_reminders->isPostponed() && settings.hideTrayDeferred);
    if (state == UpdateUnavailable) {
        m_notifications->close();
    }
    if (isUpdateState(state)) {
        m_updateSeen = true;
    }
    if (state != m_state) {
        m_state = state;
        notify(state);
    }
    m_tray->setStateEntry(
        Presentation::stateEntryFor(state, dueFacts(state), m_clock.now(), m_tray->isStateEntryEnabled()));
    if (m_infoDialog) {
        pushDialogData(m_upgradeFiles->isOutside(), m_switch->inProgress());
    }
    if (state == ReplyError) {
        m_client->reconnect();
    } else if (state == Disabled) {
        m_client->retryLater();
    }
}

void NotifierCore::onPolled(int answer, bool dateChanged)
{
    m_upgradeFiles->setOutside(answer == -2);
    // Any answer of the service's own state ends a request, also one that the service withdrew.
    if (answer != -2) {
        m_switch->settle();
    }
    if (answer == -1 || (answer >= 0 && answer <= 3)) {
        showState(answer == -1 ? ReplyError : UpdateUnavailable, true);
    } else if (answer >= 4 && answer <= 6) {
        showState(answer == 4 ? UpdateReady : UpdateSet, dateChanged);
    }
}

// The remind-later submenu follows a new state or date at once: an update without a date must not
// wait for the half-hourly refresh to become postponable.
void NotifierCore::showState(int state, bool remindMenuStale)
{
    const int before = m_state;
    updateStatus(state);
    if (remindMenuStale || m_state != before) {
        updateRemindMenu();
    }
}

void NotifierCore::notify(int state)
{
    if (ReminderSchedule::mayNotify(state, m_reminders->isPostponed(), m_updateSeen)) {
        m_notifications->showState(state, Presentation::notificationFor(state, dueFacts(state), m_clock.now()));
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

void NotifierCore::updateRemindMenu()
{
    const QDateTime due = m_upgradeFiles->isOutside() ? m_upgradeFiles->date() : m_client->updateDate();
    const ReminderSchedule::RemindMenu menu = ReminderSchedule::remindMenuFor(due, m_clock.now());
    m_tray->setRemindMenu(menu);
    if (menu.usable) {
        m_tray->setRemindMenuEnabled(isUpdateState(m_state));
    }
}

void NotifierCore::pushDialogData(bool upgrade, bool inProgress)
{
    if (m_tray->hasIcon()) {
        m_infoDialog->setWindowIcon(m_tray->icon());
    }
    m_infoDialog->setDialogData(State(m_state), upgrade ? m_upgradeFiles->date() : m_client->updateDate(),
        m_currentVersion, upgrade ? m_upgradeFiles->targetRelease() : m_client->updateVersion(), inProgress);
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

DueFacts NotifierCore::dueFacts(int state) const
{
    if (state == UpgradeReady || state == UpgradeSet) {
        return {m_upgradeFiles->date(), m_upgradeFiles->isForced()};
    }
    return {m_client->updateDate(), m_switch->isUpdateLocked()};
}

// Once per run, when the first connection attempt has ended, so a stamp can be removed.
void NotifierCore::showResults()
{
    if (m_resultsShown) {
        return;
    }
    m_resultsShown = true;
    ResultStamps::tell(m_desktop, readSystemVersion(), this, [this](int kind) { m_client->removeResultStamp(kind); });
}

void NotifierCore::noteReachable(bool reached)
{
    if (reached != m_serviceReached || !m_reachedSince.isValid()) {
        m_serviceReached = reached;
        m_reachedSince = m_clock.now();
    }
}

QString NotifierCore::statusReport(bool json) const
{
    const bool upgrade = m_upgradeFiles->isOutside();
    const DueFacts due = dueFacts(upgrade ? UpgradeSet : UpdateSet);
    StatusReport report;
    report.state = m_state;
    report.installedVersion = m_currentVersion;
    report.offeredVersion = upgrade ? m_upgradeFiles->targetRelease() : m_client->updateVersion();
    report.due = due.due;
    report.forced = due.postponeRefused || (due.due.isValid() && !(m_clock.now() < due.due));
    const SettingsStore::Values& settings = m_reminders->settings();
    report.nextReminder = settings.nextNotifyDate;
    report.postponed = m_reminders->isPostponed();
    if (report.postponed && settings.skipNotificationSince.isValid()) {
        report.postponedUntil = settings.skipNotificationSince.addSecs(settings.skipNotificationDelay);
    }
    report.serviceReached = m_serviceReached;
    report.reachedSince = m_reachedSince;
    return json ? report.json() : report.text();
}
