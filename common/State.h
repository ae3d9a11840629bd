// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QMetaType>
#include <QString>


// The update state; the numbers are fixed.
enum class State {
    UpdateUnavailable = 0,
    UpdateReady = 1,
    UpdateSet = 2,
    InitError = 3,
    ReplyError = 4,
    Disabled = 5,
    UpgradeReady = 6,
    UpgradeSet = 7,
};
Q_DECLARE_METATYPE(State)

// The state's notification event id, as the notification events file declares it.
QString stateEventId(State state);
// The state's name, for logs and the helpdesk's status report.
const char* stateName(State state);
// The states of an offered or set update or release upgrade.
bool isUpdateState(State state);
bool isUpgradeState(State state);
