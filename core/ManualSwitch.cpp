#include "ManualSwitch.h"

#include "Desktop.h"
#include "Notifications.h"
#include "Presentation.h"
#include "ServiceClient.h"
#include "State.h"
#include "Tray.h"
#include "UpgradeFiles.h"
#include "UpgradeTool.h"

#include <QPointer>

namespace {
constexpr int earlyPollMs = 5000;
constexpr int slowEarlyPollMs = 30000;
} // namespace

ManualSwitch::ManualSwitch(const Parts& parts, QObject* parent) : QObject(parent), m_parts(parts), m_earlyPoll(this)
{
    m_earlyPoll.setObjectName(QStringLiteral("earlyPollTimer"));
    m_earlyPoll.setSingleShot(true);
    connect(&m_earlyPoll, &QTimer::timeout, &m_parts.client, &ServiceClient::poll);
}

void ManualSwitch::onMenuEntry(int state)
{
    switch (state) {
    case UpdateReady:
        enableUpdateOnReboot();
        break;
    case UpdateSet:
        disableUpdateOnReboot();
        break;
    case UpgradeReady:
    case UpgradeSet:
        changeUpgrade(state == UpgradeReady);
        Q_EMIT dialogRefresh(true, m_inProgress);
        break;
    }
}

void ManualSwitch::onEnableRequest(int state)
{
    if (state == UpdateReady) {
        enableUpdateOnReboot();
    } else if (state == UpgradeReady) {
        changeUpgrade(true);
    }
}

void ManualSwitch::onDisableRequest(int state)
{
    if (state == UpdateSet) {
        disableUpdateOnReboot();
    } else if (state == UpgradeSet) {
        changeUpgrade(false);
    }
}

void ManualSwitch::onUpdateOnRebootAction(int state)
{
    // Only the popup that carries the update actions, and only while its state is still shown.
    if (!m_parts.notifications.actionsOffered() || (state != UpdateReady && state != UpgradeReady)) {
        return;
    }
    if (state == UpdateReady) {
        enableUpdateOnReboot();
    } else {
        changeUpgrade(true);
    }
    Q_EMIT dialogRefresh(state == UpgradeReady, true);
}

void ManualSwitch::enableUpdateOnReboot()
{
    if (!m_parts.client.isConnected()) {
        return;
    }
    m_inProgress = true;
    const QPointer<ManualSwitch> self(this);
    m_parts.client.enableOnReboot([this, self](std::optional<int> answer) {
        if (!self || !answer) {
            return; // a failure shows as a faulty reply, with no early poll
        }
        int delay = earlyPollMs;
        if (*answer == -5) {
            Q_EMIT dialogRefresh(false, true);
            delay = slowEarlyPollMs;
        }
        m_parts.tray.setStateEntry({false, std::nullopt, std::nullopt});
        m_earlyPoll.start(delay);
    });
}

void ManualSwitch::disableUpdateOnReboot()
{
    if (!m_parts.client.isConnected()) {
        return;
    }
    m_inProgress = true;
    const QPointer<ManualSwitch> self(this);
    m_parts.client.disableOnReboot([this, self](std::optional<int> answer) {
        if (!self || !answer) {
            return;
        }
        if (*answer == 99 || *answer == 89) {
            m_updateLocked = true;
        }
        m_parts.tray.setStateEntry({false, std::nullopt, std::nullopt});
        if (!m_updateLocked) {
            m_earlyPoll.start(earlyPollMs);
        }
    });
}

void ManualSwitch::changeUpgrade(bool enable)
{
    // A forced upgrade cannot be put off.
    if (enable || !m_parts.upgradeFiles.isForced()) {
        m_parts.upgradeTool.pauseFiles();
        m_inProgress = true;
        const QPointer<ManualSwitch> self(this);
        m_parts.desktop.changeUpgradeState(enable, [this, self](std::optional<QString> error) {
            if (self) {
                onUpgradeChanged(error);
            }
        });
    }
    m_parts.tray.setStateEntry({false, std::nullopt, std::nullopt});
}

void ManualSwitch::onUpgradeChanged(const std::optional<QString>& error)
{
    if (error) {
        m_parts.notifications.showError(3, *error);
    }
    m_inProgress = false;
    m_parts.upgradeFiles.check();
    m_parts.upgradeTool.resumeFiles();
}
