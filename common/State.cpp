// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "State.h"

namespace {
struct Names
{
    const char* eventId;
    const char* name;
};
// In the order of the values.
constexpr Names names[] = {
    {"updateunavailable", "UpdateUnavailable"},
    {"updateready", "UpdateReady"},
    {"updateset", "UpdateSet"},
    {"initerror", "InitError"},
    {"replyerror", "ReplyError"},
    {"disabled", "Disabled"},
    {"upgradeready", "UpgradeReady"},
    {"upgradeset", "UpgradeSet"},
};
} // namespace

QString stateEventId(State state)
{
    return QString::fromLatin1(names[int(state)].eventId);
}

const char* stateName(State state)
{
    return names[int(state)].name;
}

bool isUpdateState(State state)
{
    return state == State::UpdateReady || state == State::UpdateSet || isUpgradeState(state);
}

bool isUpgradeState(State state)
{
    return state == State::UpgradeReady || state == State::UpgradeSet;
}
