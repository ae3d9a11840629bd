#pragma once

#include "State.h"

#include <KNotification>

#include <QCoreApplication>
#include <QDateTime>
#include <QStringList>

#include <optional>

// What the tray, the menu's state entry and the "System update" notification show per state. Pure
// functions of the state and a few facts, so one table test covers them.

struct TrayLook
{
    enum Visibility { Unchanged, Shown, ShownUnlessDeferred };
    QString iconName;
    QString fallback;
    QString toolTip;
    Visibility visibility = Unchanged;
};

struct StateEntry
{
    // Unset members leave what the entry shows now.
    std::optional<bool> enabled;
    std::optional<QString> text;
    std::optional<QString> toolTip;
};

struct NotificationContent
{
    QString text;
    QStringList actions;
    KNotification::Urgency urgency = KNotification::DefaultUrgency;
    KNotification::NotificationFlags flags = KNotification::CloseOnTimeout;
};

// The due date and whether postponing is refused belong to the update (states 1, 2) or to the
// release upgrade (states 6, 7); they only matter for the "set for the next reboot" states.
struct DueFacts
{
    QDateTime due;
    bool postponeRefused = false;
};

class Presentation
{
    // Texts are the core's own, so they are translated in its context.
    Q_DECLARE_TR_FUNCTIONS(NotifierCore)
public:
    static TrayLook trayLookFor(int state);
    static StateEntry stateEntryFor(int state, const DueFacts& facts, const QDateTime& now, bool enabledNow);
    static NotificationContent notificationFor(int state, const DueFacts& facts, const QDateTime& now);
};
