#include "NotifierCore.h"

#include "Clock.h"
#include "Constants.h"
#include "NotificationContent.h"
#include "SettingsDialog.h"

#include <KNotification>

#include <QAction>
#include <QMenu>
#include <QSettings>
#include <QTimer>

namespace {
constexpr int defaultNotifyInterval = 86400;
constexpr int checkIntervalMs = 5000;
constexpr int defaultHideTrayDelayMs = 5000;
const QString componentName = QStringLiteral("zib-user-update-notifier");
} // namespace

void NotifierCore::readSettings()
{
    QSettings settings(settingsOrganization, settingsApplication);
    settings.beginGroup(settingsGroup);

    bool numeric = false;
    m_notifyInterval = settings.value(keyNotifyInterval, defaultNotifyInterval).toInt(&numeric);
    // A hand-edited interval below one second would stall the schedule forever.
    if (!numeric || m_notifyInterval < 1) {
        m_notifyInterval = defaultNotifyInterval;
    }

    const QDateTime storedNext = settings.value(keyNextNotifyDate).toDateTime();
    if (storedNext.isValid()) {
        m_nextNotifyDate = storedNext;
    } else {
        m_nextNotifyDate = Clock::now().addSecs(m_notifyInterval);
        settings.setValue(keyNextNotifyDate, m_nextNotifyDate);
    }

    m_checkTimer->setInterval(checkIntervalMs);
    m_hideTray = settings.value(keyHideTray, true).toBool();
    m_hideTimer->setInterval(qMax(0, settings.value(keyHideTrayDelay, defaultHideTrayDelayMs).toInt()));
    m_skipNotificationDelay = settings.value(keySkipNotificationDelay, qint64(-1)).toLongLong();
    m_skipNotificationSince = settings.value(keySkipNotificationSince, QDateTime()).toDateTime();
    m_hideTrayDeferred = settings.value(keyHideTrayDeferred, true).toBool();
    settings.endGroup();

    m_checkTimer->start();
    if (m_serviceConnected) {
        updateStatus(State(m_state));
    }
}

void NotifierCore::checkTimeToNotify()
{
    if (Clock::now() < m_nextNotifyDate) {
        return;
    }
    notify(m_state);

    // Stay on the grid of the old date: the first old + k * interval that lies in the future.
    const qint64 behind = m_nextNotifyDate.secsTo(Clock::now());
    const qint64 steps = behind / m_notifyInterval + 1;
    m_nextNotifyDate = m_nextNotifyDate.addSecs(steps * m_notifyInterval);

    QSettings settings(settingsOrganization, settingsApplication);
    settings.beginGroup(settingsGroup);
    settings.setValue(keyNextNotifyDate, m_nextNotifyDate);
    settings.endGroup();
}

bool NotifierCore::isSkipActive() const
{
    if (m_skipNotificationDelay < 1) {
        return false;
    }
    const qint64 elapsed = m_skipNotificationSince.isValid() ? m_skipNotificationSince.secsTo(Clock::now()) : 0;
    return elapsed < m_skipNotificationDelay;
}

void NotifierCore::notify(int state)
{
    const QString eventId = stateEventId(state);
    if (isSkipActive()) {
        return;
    }
    if (state == UpdateUnavailable && !m_updateSeen) {
        return;
    }

    if (m_notification && m_notification->eventId() != eventId) {
        m_notification->close();
        m_notification.clear();
    }

    const bool created = !m_notification;
    if (created) {
        m_closedEventId.clear();
        m_notification = new KNotification(QString(), KNotification::NotificationFlags(), this);
        m_notification->setComponentName(componentName);
        m_notification->setEventId(eventId);
        m_notification->setDefaultAction(tr("Show more"));
        connect(m_notification, &KNotification::closed, this, &NotifierCore::notifClosed);
        connect(m_notification, &KNotification::action1Activated, this, &NotifierCore::onUpdateOnRebootAction);
        connect(m_notification, &KNotification::defaultActivated, this, &NotifierCore::showInfoDialog);
    }

    m_notification->setTitle(tr("System update"));
    if (isKnownState(state)) {
        const bool upgrade = state == UpgradeReady || state == UpgradeSet;
        const NotificationContent content = NotificationContent::forState(
            state, upgrade ? m_upgradeForced : m_updateLocked, upgrade ? m_upgradeDate : m_updateDate, Clock::now());
        m_notification->setText(content.text);
        m_notification->setActions(content.actions);
        m_notification->setUrgency(content.urgency);
        m_notification->setFlags(content.flags);
        if (state == UpdateReady || state == UpgradeReady) {
            m_actionsOffered = true;
        } else if (state == UpdateSet || state == UpgradeSet) {
            m_actionsOffered = false;
        }
    }

    if (created) {
        m_notification->sendEvent();
    } else {
        m_notification->update();
    }
}

void NotifierCore::notifClosed()
{
    m_closedEventId = m_notification ? m_notification->eventId() : QString();
}

void NotifierCore::closeNotification()
{
    if (m_notification) {
        m_notification->close();
        if (m_notification) {
            m_notification->deleteLater();
        }
        // A closed popup can't be refreshed; the next notify() starts a new one.
        m_notification.clear();
    }
    m_closedEventId.clear();
}

void NotifierCore::onRemindLaterActionTriggered(QAction* action)
{
    const QVariant hours = action->data();
    if (!hours.isValid()) {
        return;
    }
    m_skipNotificationDelay = qint64(hours.toInt()) * 3600;
    m_skipNotificationSince = Clock::now();

    QSettings settings(settingsOrganization, settingsApplication);
    settings.setValue(QStringLiteral("General/skipNotificationDelay"), m_skipNotificationDelay);
    settings.setValue(QStringLiteral("General/skipNotificationSince"), m_skipNotificationSince);

    closeNotification();
    if (m_hideTrayDeferred) {
        hideTrayIcon();
    }
}

void NotifierCore::hideTrayIcon()
{
    if (!m_trayIcon) {
        return;
    }
    if (m_settingsDialog && m_settingsDialog->isVisible()) {
        return;
    }
    m_trayIcon->hide();
    m_menu->hide();
}

void NotifierCore::updateRemindMenu()
{
    const QDateTime due = m_upgradeMode ? m_upgradeDate : m_updateDate;
    if (due.isValid()) {
        const QDateTime now = Clock::now();
        const qint64 days = now.daysTo(due);
        if (days < 0) {
            m_remindMenu->setEnabled(false);
            return;
        }
        m_remindDayAction->setVisible(days > 1);
        m_remindTwoDaysAction->setVisible(days > 2);
        m_remindWeekAction->setVisible(days > 7);
        if (days != 0) {
            // Quiet until one minute past midnight of the due day.
            const qint64 seconds = now.secsTo(QDateTime(due.date(), QTime(0, 1)));
            m_remindNeverAction->setVisible(true);
            m_remindNeverAction->setData(int((seconds + 3599) / 3600));
        }
    } else {
        m_remindDayAction->setVisible(true);
        m_remindTwoDaysAction->setVisible(true);
        m_remindWeekAction->setVisible(true);
        m_remindNeverAction->setVisible(false);
    }
    const bool updatePending =
        m_state == UpdateReady || m_state == UpdateSet || m_state == UpgradeReady || m_state == UpgradeSet;
    m_remindMenu->setEnabled(updatePending);
}
