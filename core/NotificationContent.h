#pragma once

#include <KNotification>

#include <QDateTime>
#include <QStringList>

// What the "System update" notification says in one state.
struct NotificationContent
{
    QString text;
    QStringList actions;
    KNotification::Urgency urgency = KNotification::DefaultUrgency;
    KNotification::NotificationFlags flags = KNotification::CloseOnTimeout;

    // The date and the locked flag are the update's (states 1, 2) or the upgrade's (states 6, 7);
    // they only matter for the "set for next reboot" states.
    static NotificationContent forState(
        int state, bool postponeRefused, const QDateTime& dueDate, const QDateTime& now);
};
