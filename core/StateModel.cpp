// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "StateModel.h"

#include "Clock.h"
#include "Logging.h"
#include "ManualSwitch.h"
#include "Notifications.h"
#include "ReminderSchedule.h"
#include "Reminders.h"
#include "ServiceClient.h"
#include "StatusReport.h"
#include "Tray.h"
#include "UpgradeFiles.h"

StateModel::StateModel(const Parts& parts, QObject* parent) : QObject(parent), m_parts(parts) { }

// The update's facts, or the release upgrade's in its states.
StateFacts StateModel::facts(State state) const
{
    const UpgradeFiles& files = m_parts.upgradeFiles;
    const bool upgrade = isUpgradeState(state);
    StateFacts facts;
    facts.due = upgrade ? files.date() : m_parts.client.updateDate();
    facts.postponeRefused = upgrade ? files.isForced() : m_parts.manualSwitch.isUpdateLocked();
    facts.inProgress = m_parts.manualSwitch.inProgress();
    facts.currentVersion = m_currentVersion;
    facts.offeredVersion = upgrade ? files.targetRelease() : m_parts.client.updateVersion();
    return facts;
}

InfoView StateModel::infoView() const
{
    return StateViews::viewOf(m_state, facts(m_state), m_parts.clock.now()).info;
}

void StateModel::updateStatus(State state)
{
    const StateView view = StateViews::viewOf(state, facts(state), m_parts.clock.now());
    Tray& tray = m_parts.tray;
    tray.setLook(view.tray);
    const SettingsStore::Values& settings = m_parts.reminders.settings();
    tray.applyVisibility(
        view.tray.visibility, settings.hideTray, m_parts.reminders.isPostponed() && settings.hideTrayDeferred);
    if (state == State::UpdateUnavailable) {
        m_parts.notifications.close();
    }
    if (isUpdateState(state)) {
        m_updateSeen = true;
    }
    if (state != m_state) {
        qCInfo(lcCore) << "State" << stateName(m_state) << "->" << stateName(state);
        m_state = state;
        notify(view);
    }
    tray.setStateEntry(view.entry);
    Q_EMIT infoChanged(state, view.info);
    if (state == State::ReplyError) {
        m_parts.client.reconnect();
    } else if (state == State::Disabled) {
        m_parts.client.retryLater();
    }
}

void StateModel::onPolled(ServiceState answer, bool dateChanged)
{
    m_parts.upgradeFiles.setOutside(answer == ServiceState::Outside);
    if (answer != ServiceState::Outside) {
        m_parts.manualSwitch.settle();
    }
    switch (answer) {
    case ServiceState::Faulty:
        showState(State::ReplyError, true);
        break;
    case ServiceState::Nothing:
        showState(State::UpdateUnavailable, true);
        break;
    case ServiceState::Ready:
        showState(State::UpdateReady, dateChanged);
        break;
    case ServiceState::Set:
        showState(State::UpdateSet, dateChanged);
        break;
    case ServiceState::Outside:
    case ServiceState::Ignored:
        break;
    }
}

void StateModel::showState(State state, bool remindMenuStale)
{
    const State before = m_state;
    updateStatus(state);
    if (remindMenuStale || m_state != before) {
        updateRemindMenu();
    }
}

void StateModel::remind()
{
    notify(StateViews::viewOf(m_state, facts(m_state), m_parts.clock.now()));
}

void StateModel::notify(const StateView& view)
{
    if (ReminderSchedule::mayNotify(m_state, m_parts.reminders.isPostponed(), m_updateSeen)) {
        m_parts.notifications.showState(m_state, view.popup);
    }
}

void StateModel::updateRemindMenu()
{
    const StateFacts now = facts(m_state);
    const ReminderSchedule::RemindMenu menu = ReminderSchedule::remindMenuFor(now.due, m_parts.clock.now());
    m_parts.tray.setRemindMenu(menu);
    if (menu.usable) {
        m_parts.tray.setRemindMenuEnabled(isUpdateState(m_state));
    }
}

void StateModel::noteReachable(bool reached)
{
    if (reached != m_serviceReached || !m_reachedSince.isValid()) {
        m_serviceReached = reached;
        m_reachedSince = m_parts.clock.now();
    }
}

QString StateModel::statusReport(bool json) const
{
    const QDateTime now = m_parts.clock.now();
    const StateFacts shown = facts(m_parts.upgradeFiles.isOutside() ? State::UpgradeSet : State::UpdateSet);
    StatusReport report;
    report.state = m_state;
    report.installedVersion = m_currentVersion;
    report.offeredVersion = shown.offeredVersion;
    report.due = shown.due;
    report.forced = shown.postponeRefused || StateViews::isDue(shown.due, now);
    const SettingsStore::Values& settings = m_parts.reminders.settings();
    report.nextReminder = settings.nextNotifyDate;
    report.postponed = m_parts.reminders.isPostponed();
    if (report.postponed && settings.skipNotificationSince.isValid()) {
        report.postponedUntil = settings.skipNotificationSince.addSecs(settings.skipNotificationDelay);
    }
    report.serviceReached = m_serviceReached;
    report.reachedSince = m_reachedSince;
    report.popupsHeld = m_parts.notifications.holding();
    return json ? report.json() : report.text();
}
