#include "NotifierCore.h"

#include "Clock.h"
#include "Desktop.h"
#include "Notifications.h"
#include "Presentation.h"
#include "ReminderSchedule.h"
#include "ServiceClient.h"
#include "SettingsDialog.h"
#include "Tray.h"
#include "UpdateInfoDialog.h"
#include "UpgradeTool.h"
#include "VersionFile.h"

namespace {
constexpr int checkIntervalMs = 5000;
constexpr int remindMenuIntervalMs = 1800000;

bool isUpdateState(int state)
{
    return state == UpdateReady || state == UpdateSet || state == UpgradeReady || state == UpgradeSet;
}
} // namespace

NotifierCore::NotifierCore(bool withTrayIcon, const Platform& platform, QObject* parent)
    : QObject(parent)
    , m_clock(platform.clock)
    , m_desktop(platform.desktop)
    , m_checkTimer(this)
    , m_hideTimer(this)
    , m_remindMenuTimer(this)
{
    m_tray = new Tray(withTrayIcon, platform.desktop, this);
    connect(m_tray, &Tray::infoRequested, this, &NotifierCore::showInfoDialog);
    connect(m_tray, &Tray::settingsRequested, this, &NotifierCore::showSettings);
    connect(m_tray, &Tray::remindLaterChosen, this, &NotifierCore::onRemindLaterChosen);

    m_notifications = new Notifications(this);
    connect(m_notifications, &Notifications::showMoreChosen, this, &NotifierCore::showInfoDialog);

    m_checkTimer.setObjectName(QStringLiteral("checkTimer"));
    connect(&m_checkTimer, &QTimer::timeout, this, &NotifierCore::checkTimeToNotify);
    m_hideTimer.setObjectName(QStringLiteral("hideTimer"));
    m_hideTimer.setSingleShot(true);
    connect(&m_hideTimer, &QTimer::timeout, this, &NotifierCore::hideTrayIcon);

    m_client = new ServiceClient(platform.service, platform.presence, this);
    m_upgradeTool = new UpgradeTool(platform.packages, this);

    readSettings();
    // With the default settings the icon starts hidden; the first state that matters shows it.
    if (m_settings.hideTray) {
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
    });
    connect(m_client, &ServiceClient::unreachable, this, [this] { updateStatus(InitError); });
    connect(m_client, &ServiceClient::callFailed, this, [this] { updateStatus(ReplyError); });
    connect(m_client, &ServiceClient::errorChecked, this, [this](int code, bool answered) {
        if (answered && code == 0) {
            m_notifications->forgetLastError();
        }
        m_notifications->showError(code, QString());
    });
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
        m_infoDialog = std::make_unique<UpdateInfoDialog>();
    }
    pushDialogData();
    m_infoDialog->show();
}

void NotifierCore::showSettings()
{
    if (!m_settingsDialog) {
        m_settingsDialog = std::make_unique<SettingsDialog>([this] { return m_clock.now(); });
        connect(
            m_settingsDialog.get(), &SettingsDialog::helpRequested, this, [this] { m_desktop.showHelp(QString()); });
        connect(m_settingsDialog.get(), &QDialog::accepted, this, &NotifierCore::readSettings);
        connect(m_settingsDialog.get(), &QDialog::rejected, this, [this] { updateStatus(m_state); });
    }
    if (m_tray->hasIcon()) {
        m_settingsDialog->setWindowIcon(m_tray->icon());
    }
    if (!m_settingsDialog->isVisible()) {
        m_settingsDialog->show();
    }
    m_settingsDialog->raise();
    m_tray->setVisible(true);
}

void NotifierCore::readSettings()
{
    m_settings = SettingsStore::load(m_clock.now());
    m_nextNotifyMs = m_settings.nextNotifyDate.toMSecsSinceEpoch();
    m_checkTimer.setInterval(checkIntervalMs);
    m_hideTimer.setInterval(m_settings.hideTrayDelayMs);
    m_checkTimer.start();
    if (m_client->isConnected()) {
        updateStatus(m_state);
    }
}

void NotifierCore::updateStatus(int state)
{
    m_hideTimer.stop();
    m_tray->setLook(Presentation::trayLookFor(state));
    applyTrayVisibility(state);
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
        pushDialogData();
    }
    if (state == ReplyError) {
        m_client->reconnect();
    } else if (state == Disabled) {
        m_client->retryLater();
    }
}

void NotifierCore::applyTrayVisibility(int state)
{
    switch (Presentation::trayLookFor(state).visibility) {
    case TrayLook::Unchanged:
        if (state == UpdateUnavailable && m_tray->isVisible() && m_settings.hideTray) {
            m_hideTimer.start();
        }
        break;
    case TrayLook::Shown:
        m_tray->setVisible(true);
        break;
    case TrayLook::ShownUnlessDeferred:
        // While reminders are postponed the icon may hide, but never under an open settings window.
        m_tray->setVisible(!(isPostponed() && m_settings.hideTrayDeferred) || isSettingsDialogVisible());
        break;
    }
}

void NotifierCore::onPolled(int answer, bool dateChanged)
{
    if (answer != -2) {
        m_upgradeMode = false;
    }
    if (answer == -2) {
        m_upgradeMode = true;
    } else if (answer == -1 || (answer >= 0 && answer <= 3)) {
        updateStatus(answer == -1 ? ReplyError : UpdateUnavailable);
        updateRemindMenu();
    } else if (answer >= 4 && answer <= 6) {
        m_inProgress = false;
        const int before = m_state;
        updateStatus(answer == 4 ? UpdateReady : UpdateSet);
        // An update without a date must not wait for the half-hourly refresh to become postponable.
        if (dateChanged || m_state != before) {
            updateRemindMenu();
        }
    }
}

void NotifierCore::notify(int state)
{
    if (ReminderSchedule::mayNotify(state, isPostponed(), m_updateSeen)) {
        m_notifications->showState(state, Presentation::notificationFor(state, dueFacts(state), m_clock.now()));
    }
}

void NotifierCore::checkTimeToNotify()
{
    if (m_clock.msecsSinceEpoch() < m_nextNotifyMs) {
        return;
    }
    notify(m_state);
    // A reminder that fell into a postponement is dropped, not deferred.
    m_settings.nextNotifyDate =
        ReminderSchedule::nextAfter(m_settings.nextNotifyDate, m_settings.notifyInterval, m_clock.now());
    m_nextNotifyMs = m_settings.nextNotifyDate.toMSecsSinceEpoch();
    SettingsStore::saveNextNotifyDate(m_settings.nextNotifyDate);
}

void NotifierCore::onRemindLaterChosen(int hours)
{
    m_settings.skipNotificationDelay = qint64(hours) * 3600;
    m_settings.skipNotificationSince = m_clock.now();
    SettingsStore::savePostponement(m_settings.skipNotificationDelay, m_settings.skipNotificationSince);
    m_notifications->close();
    if (m_settings.hideTrayDeferred) {
        hideTrayIcon();
    }
}

void NotifierCore::hideTrayIcon()
{
    // The icon stays while the user edits the settings.
    if (!isSettingsDialogVisible()) {
        m_tray->hide();
    }
}

void NotifierCore::updateRemindMenu()
{
    const QDateTime due = m_upgradeMode ? m_upgradeDate : m_client->updateDate();
    const ReminderSchedule::RemindMenu menu = ReminderSchedule::remindMenuFor(due, m_clock.now());
    m_tray->setRemindMenu(menu);
    if (menu.usable) {
        m_tray->setRemindMenuEnabled(isUpdateState(m_state));
    }
}

void NotifierCore::pushDialogData()
{
    if (m_tray->hasIcon()) {
        m_infoDialog->setWindowIcon(m_tray->icon());
    }
    m_infoDialog->setDialogData(State(m_state), m_upgradeMode ? m_upgradeDate : m_client->updateDate(),
        m_currentVersion, m_upgradeMode ? m_upgradeVersion : m_client->updateVersion(), m_inProgress);
}

bool NotifierCore::isPostponed() const
{
    return SettingsStore::isPostponed(
        m_settings.skipNotificationDelay, m_settings.skipNotificationSince, m_clock.now());
}

bool NotifierCore::isSettingsDialogVisible() const
{
    return m_settingsDialog && m_settingsDialog->isVisible();
}

DueFacts NotifierCore::dueFacts(int state) const
{
    if (state == UpgradeReady || state == UpgradeSet) {
        return {m_upgradeDate, m_upgradeForced};
    }
    return {m_client->updateDate(), m_updateLocked};
}
