#include "Notifications.h"

#include "State.h"

#include <KNotification>

#include <QCoreApplication>

namespace {
const QString componentName = QStringLiteral("zib-user-update-notifier");
}

Notifications::Notifications(QObject* parent) : QObject(parent) { }

Notifications::~Notifications()
{
    close();
}

QString Notifications::stateEventId() const
{
    return m_notification ? m_notification->eventId() : QString();
}

QString Notifications::errorText() const
{
    return m_errorNotification ? m_errorNotification->text() : QString();
}

void Notifications::showState(int state, const NotificationContent& content)
{
    const QString eventId = ::stateEventId(state);
    if (m_notification && m_notification->eventId() != eventId) {
        m_notification->close();
        m_notification.clear();
    }

    const bool created = !m_notification;
    if (created) {
        m_notification = new KNotification(QString(), KNotification::NotificationFlags(), this);
        m_notification->setComponentName(componentName);
        m_notification->setEventId(eventId);
        m_notification->setDefaultAction(QCoreApplication::translate("NotifierCore", "Show more"));
        connect(m_notification, &KNotification::action1Activated, this, &Notifications::updateOnRebootChosen);
        connect(m_notification, &KNotification::defaultActivated, this, &Notifications::showMoreChosen);
    }

    m_notification->setTitle(QCoreApplication::translate("NotifierCore", "System update"));
    if (isKnownState(state)) {
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

void Notifications::close()
{
    if (m_notification) {
        m_notification->close();
        // A closed popup can't be refreshed; the next showState() starts a new one.
        if (m_notification) {
            m_notification->deleteLater();
        }
        m_notification.clear();
    }
}

void Notifications::showError(int type, const QString& detail)
{
    if (type < 1 || type == m_lastErrorType) {
        return;
    }
    m_lastErrorType = type;
    switch (type) {
    case 1:
        raiseError(QCoreApplication::translate("NotifierCore", "Not enough free space for update"));
        break;
    case 2:
        raiseError(QCoreApplication::translate("NotifierCore", "There is an error before update"));
        break;
    case 3:
        raiseError(
            QCoreApplication::translate("NotifierCore", "Upgrade state not changed due D-Bus error:\n%1").arg(detail));
        break;
    default:
        raiseError(QString()); // the title alone
        break;
    }
}

void Notifications::showServiceError(int code, bool answered)
{
    if (answered && code == 0) {
        m_lastErrorType = -1;
    }
    showError(code, QString());
}

void Notifications::showRebootFailed()
{
    raiseError(QCoreApplication::translate(
        "NotifierCore", "The computer could not be restarted. Please restart it yourself."));
}

void Notifications::raiseError(const QString& text)
{
    if (m_errorNotification) {
        m_errorNotification->close();
    }
    m_errorNotification = new KNotification(QString(), KNotification::CloseOnTimeout, this);
    m_errorNotification->setComponentName(componentName);
    m_errorNotification->setTitle(QCoreApplication::translate("NotifierCore", "System update"));
    if (!text.isEmpty()) {
        m_errorNotification->setText(text);
    }
    m_errorNotification->setEventId(QStringLiteral("prepareerror"));
    m_errorNotification->setUrgency(KNotification::CriticalUrgency);
    m_errorNotification->setFlags(KNotification::Persistent);
    m_errorNotification->sendEvent();
}
