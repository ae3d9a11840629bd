// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "StateView.h"

#include <QString>
#include <QStringList>

#include <functional>

// The desktop's popups as the core sees them: two kinds, the state's and the errors', each at most one
// on screen at a time.
class Popups
{
public:
    enum class Kind { State, Error };
    enum class Action { Default, First };

    struct Popup
    {
        QString eventId;
        QString title;
        QString text;
        QStringList actions;
        QString defaultAction; // empty: none
        PopupContent::Urgency urgency = PopupContent::Low;
        bool persistent = false;
    };

    virtual ~Popups() = default;
    // Shows `popup` as the one of its kind: refreshed in place while its event id stays, else it replaces
    // the one on screen.
    virtual void show(Kind kind, const Popup& popup) = 0;
    virtual void close(Kind kind) = 0;
    // The user chose an action of the popup of that kind on screen.
    virtual void setActionHandler(std::function<void(Kind kind, Action action)> handler) = 0;
};
