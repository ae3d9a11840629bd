// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "State.h"

#include <QDateTime>
#include <QString>

// What the running notifier knows right now, for the helpdesk: `key: value` lines, or JSON for scripts.
struct StatusReport
{
    State state = State::UpdateUnavailable;
    QString installedVersion;
    QString offeredVersion;
    QDateTime due;
    bool forced = false; // the update can no longer be put off
    QDateTime nextReminder;
    bool postponed = false;
    QDateTime postponedUntil; // invalid while postponed: until reset
    bool serviceReached = false;
    QDateTime reachedSince; // since when reached, or since when not
    bool popupsHeld = false; // the desktop's do-not-disturb mode is on

    QString text() const;
    QString json() const;
};
