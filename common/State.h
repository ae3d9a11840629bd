#pragma once

#include <QString>

enum State {
    UpdateUnavailable = 0,
    UpdateReady = 1,
    UpdateSet = 2,
    InitError = 3,
    ReplyError = 4,
    Disabled = 5,
    UpgradeReady = 6,
    UpgradeSet = 7,
};

bool isKnownState(int state);
// Notification event id of a state; empty for values outside the enumeration.
QString stateEventId(int state);
