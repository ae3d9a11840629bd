// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QMetaType>

// The update service's answers, decoded once by the client; nothing else reads the raw codes.

// What getCurrentStateAsInt says of the service's own state.
enum class ServiceState {
    Ignored, // a value we don't know: nothing changes
    Outside, // a release upgrade drives the state
    Faulty, // the service reports a fault
    Nothing, // no pending update
    Ready, // an update is available
    Set, // the update is set for the next reboot
};
Q_DECLARE_METATYPE(ServiceState)

namespace ServiceCode {
// getCurrentStateAsInt
constexpr int outside = -2;
constexpr int faulty = -1;
constexpr int nothingFirst = 0;
constexpr int nothingLast = 3;
constexpr int ready = 4;
constexpr int setFirst = 5;
constexpr int setLast = 6;
// enableUpgradeOnReboot: the service needs longer; look again after 30 s, not 5 s.
constexpr int enableSlow = -5;
// disableUpgradeOnReboot: the update can no longer be put off.
constexpr int disableRefused = 99;
constexpr int disableRefusedForced = 89;
// setStateFromOutside: its only argument.
constexpr int outsideRequest = 3;
} // namespace ServiceCode

inline ServiceState decodeServiceState(int answer)
{
    if (answer == ServiceCode::outside) {
        return ServiceState::Outside;
    }
    if (answer == ServiceCode::faulty) {
        return ServiceState::Faulty;
    }
    if (answer >= ServiceCode::nothingFirst && answer <= ServiceCode::nothingLast) {
        return ServiceState::Nothing;
    }
    if (answer == ServiceCode::ready) {
        return ServiceState::Ready;
    }
    if (answer >= ServiceCode::setFirst && answer <= ServiceCode::setLast) {
        return ServiceState::Set;
    }
    return ServiceState::Ignored;
}

// The result stamps the service is asked to remove, by the argument of removeUpgradeResultStamp.
enum class ResultStamp {
    UpdateFailure = 0,
    UpdateSuccess = 1,
    UpgradeAborted = 2,
    UpgradeSuccess = 3,
};
