// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "ManualSwitch.h"

#include "Desktop.h"
#include "Logging.h"
#include "Notifications.h"
#include "ServiceAnswer.h"
#include "ServiceClient.h"
#include "UpgradeFiles.h"

#include <QPointer>

namespace {
constexpr int earlyPollMs = 5000;
constexpr int slowEarlyPollMs = 30000;
} // namespace

ManualSwitch::ManualSwitch(const Parts& parts, QObject* parent)
    : QObject(parent), m_parts(parts), m_earlyPoll(parts.clock, earlyPollMs, true, this)
{
    connect(&m_earlyPoll, &Timer::timeout, &m_parts.client, &ServiceClient::poll);
}

void ManualSwitch::onMenuEntry(State state)
{
    switch (state) {
    case State::UpdateReady:
        enableUpdateOnReboot();
        break;
    case State::UpdateSet:
        disableUpdateOnReboot();
        break;
    case State::UpgradeReady:
    case State::UpgradeSet:
        changeUpgrade(state == State::UpgradeReady);
        Q_EMIT progressChanged();
        break;
    default:
        break;
    }
}

void ManualSwitch::onEnableRequest(State state)
{
    if (state == State::UpdateReady) {
        enableUpdateOnReboot();
    } else if (state == State::UpgradeReady) {
        changeUpgrade(true);
    }
}

void ManualSwitch::onDisableRequest(State state)
{
    if (state == State::UpdateSet) {
        disableUpdateOnReboot();
    } else if (state == State::UpgradeSet) {
        changeUpgrade(false);
    }
}

void ManualSwitch::onUpdateOnRebootAction(State state)
{
    // Only the popup that carries the update actions, and only while its state is still shown.
    if (!m_parts.notifications.actionsOffered()) {
        return;
    }
    if (state == State::UpdateReady) {
        enableUpdateOnReboot();
    } else if (state == State::UpgradeReady) {
        changeUpgrade(true);
    } else {
        return;
    }
    Q_EMIT progressChanged();
}

void ManualSwitch::enableUpdateOnReboot()
{
    if (!m_parts.client.isConnected()) {
        return;
    }
    m_inProgress = true;
    m_parts.client.enableOnReboot([self = QPointer<ManualSwitch>(this)](std::optional<int> answer) {
        if (!self || !self->ended(answer)) {
            return;
        }
        int delay = earlyPollMs;
        if (*answer == ServiceCode::enableSlow) {
            Q_EMIT self->progressChanged();
            delay = slowEarlyPollMs;
        }
        Q_EMIT self->entryBlocked();
        self->m_earlyPoll.start(delay);
    });
}

void ManualSwitch::disableUpdateOnReboot()
{
    if (!m_parts.client.isConnected()) {
        return;
    }
    m_inProgress = true;
    m_parts.client.disableOnReboot([self = QPointer<ManualSwitch>(this)](std::optional<int> answer) {
        if (!self || !self->ended(answer)) {
            return;
        }
        if (*answer == ServiceCode::disableRefused || *answer == ServiceCode::disableRefusedForced) {
            qCInfo(lcCore) << "The update service refused to postpone the update:" << *answer;
            self->m_updateLocked = true;
        }
        Q_EMIT self->entryBlocked();
        if (!self->m_updateLocked) {
            self->m_earlyPoll.start(earlyPollMs);
        }
    });
}

// A request that got no answer is over: the failure shows as a faulty reply or an unreachable service,
// with no early poll, and the information window stops waiting for it.
bool ManualSwitch::ended(const std::optional<int>& answer)
{
    if (answer) {
        return true;
    }
    m_inProgress = false;
    Q_EMIT progressChanged();
    return false;
}

void ManualSwitch::changeUpgrade(bool enable)
{
    // A forced upgrade cannot be put off.
    if (enable || !m_parts.upgradeFiles.isForced()) {
        Q_EMIT upgradeSwitching(true);
        m_inProgress = true;
        m_parts.desktop.changeUpgradeState(enable, [self = QPointer<ManualSwitch>(this)](std::optional<QString> error) {
            if (self) {
                self->onUpgradeChanged(error);
            }
        });
    }
    Q_EMIT entryBlocked();
}

void ManualSwitch::onUpgradeChanged(const std::optional<QString>& error)
{
    if (error) {
        m_parts.notifications.showUpgradeSwitchFailed(*error);
    } else {
        m_parts.notifications.upgradeSwitched();
    }
    m_inProgress = false;
    m_parts.upgradeFiles.check();
    Q_EMIT upgradeSwitching(false);
}
