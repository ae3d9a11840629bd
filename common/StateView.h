// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "State.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QStringList>

#include <optional>

// What the user is told about a state, in one place: the tray icon and tooltip, the menu's state entry,
// the "System update" popup and the information window, from the state and a few facts.

struct StateFacts
{
    QDateTime due; // the forced date of the update, or of the release upgrade in states 6 and 7
    bool postponeRefused = false; // the service refused a postponement, or the upgrade is forced
    bool inProgress = false; // a switch was asked for and its outcome is not known yet
    QString currentVersion;
    QString offeredVersion;
};

struct TrayLook
{
    enum Visibility { Unchanged, Shown, ShownUnlessDeferred };
    QString iconName;
    QString fallback; // the embedded picture for a theme without the icon
    QString toolTip;
    Visibility visibility = Unchanged;
};

// Unset members leave what the entry shows now.
struct StateEntry
{
    std::optional<bool> enabled;
    std::optional<QString> text;
    std::optional<QString> toolTip;
};

struct PopupContent
{
    enum Urgency { Low, High, Critical };
    QString text;
    QStringList actions; // "Update on reboot", "To postpone" while an update is offered
    Urgency urgency = Low;
    bool persistent = false; // else it closes on the server's time-out
};

struct InfoView
{
    enum Button { NoButton, Enable, Disable };
    bool waiting = false; // the "Please, wait..." view while a switch is on its way
    QString shortText;
    QString fullText; // hidden when empty
    std::optional<QString> buttonText; // unset: as it was
    Button button = NoButton; // what the button asks for; NoButton: disabled
    bool progress = false; // the wait after a click shows its progress
    bool rebootAllowed = false;
    std::optional<int> waitLimit; // seconds the window waits for the outcome of a click
};

struct StateView
{
    TrayLook tray;
    StateEntry entry;
    PopupContent popup;
    InfoView info;
};

class StateViews
{
    Q_DECLARE_TR_FUNCTIONS(NotifierCore)
public:
    // A due date that has come (now is not earlier) can no longer be put off.
    static bool isDue(const QDateTime& due, const QDateTime& now);
    static StateView viewOf(State state, const StateFacts& facts, const QDateTime& now);
    static TrayLook trayLook(State state);
};
