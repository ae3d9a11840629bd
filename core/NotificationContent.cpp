#include "NotificationContent.h"

#include "State.h"

#include <QCoreApplication>

NotificationContent NotificationContent::forState(
    int state, bool postponeRefused, const QDateTime& dueDate, const QDateTime& now)
{
    NotificationContent content;
    switch (state) {
    case UpdateUnavailable:
        content.text = QCoreApplication::translate("NotifierCore", "No available updates detected");
        content.urgency = KNotification::LowUrgency;
        content.flags = KNotification::CloseOnTimeout;
        break;
    case UpdateReady:
    case UpgradeReady:
        content.text = QCoreApplication::translate("NotifierCore", "New system update is available");
        content.actions = QStringList {QCoreApplication::translate("NotifierCore", "Update on reboot"),
            QCoreApplication::translate("NotifierCore", "To postpone")};
        content.urgency = KNotification::HighUrgency;
        content.flags = KNotification::Persistent;
        break;
    case UpdateSet:
    case UpgradeSet: {
        content.text = QCoreApplication::translate("NotifierCore", "The system will be updated on the next reboot");
        // Still postponable: stay polite. Otherwise the reboot is due and the popup must stay.
        const bool postponable = !postponeRefused && dueDate.isValid() && now < dueDate;
        content.urgency = postponable ? KNotification::HighUrgency : KNotification::CriticalUrgency;
        content.flags = postponable ? KNotification::CloseOnTimeout : KNotification::Persistent;
        break;
    }
    case InitError:
        content.text =
            QCoreApplication::translate("NotifierCore", "Unable to connect to the service tarno-update-service");
        content.urgency = KNotification::CriticalUrgency;
        content.flags = KNotification::CloseOnTimeout;
        break;
    case ReplyError:
        content.text = QCoreApplication::translate("NotifierCore", "Some problems with the service reply, please wait");
        content.urgency = KNotification::HighUrgency;
        content.flags = KNotification::CloseOnTimeout;
        break;
    case Disabled:
        content.text = QCoreApplication::translate("NotifierCore", "The service tarno-update-service is disabled");
        content.urgency = KNotification::CriticalUrgency;
        content.flags = KNotification::CloseOnTimeout;
        break;
    }
    return content;
}
