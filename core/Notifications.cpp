// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "Notifications.h"

#include "DoNotDisturb.h"

#include <QCoreApplication>

namespace {
QString title()
{
    return QCoreApplication::translate("NotifierCore", "System update");
}
} // namespace

Notifications::Notifications(Popups& popups, DoNotDisturb& doNotDisturb, QObject* parent)
    : QObject(parent), m_popups(popups), m_doNotDisturb(doNotDisturb)
{
    m_doNotDisturb.setChangeHandler([this](bool on) { onDoNotDisturb(on); });
    m_popups.setActionHandler([this](Popups::Kind kind, Popups::Action action) {
        if (kind != Popups::Kind::State) {
            return;
        }
        if (action == Popups::Action::First) {
            Q_EMIT updateOnRebootChosen();
        } else {
            Q_EMIT showMoreChosen();
        }
    });
}

Notifications::~Notifications()
{
    m_popups.setActionHandler(nullptr);
    m_doNotDisturb.setChangeHandler(nullptr);
}

bool Notifications::holding() const
{
    return m_doNotDisturb.isOn();
}

// The state's popup is asked for afresh when do-not-disturb ends, so its texts are those of then; an error
// is told only if it still lasts.
void Notifications::onDoNotDisturb(bool on)
{
    if (on) {
        return;
    }
    if (const std::optional<HeldError> error = std::exchange(m_heldError, std::nullopt)) {
        raiseError(error->type, error->detail);
    }
    if (std::exchange(m_stateHeld, false)) {
        Q_EMIT stateDue();
    }
}

void Notifications::showState(State state, const PopupContent& content)
{
    const QString eventId = stateEventId(state);
    if (holding()) {
        // A popup of a state left behind is outdated; one of this state is refreshed when it is shown.
        if (!m_shownEvent.isEmpty() && m_shownEvent != eventId) {
            close();
        }
        m_stateHeld = true;
        return;
    }
    Popups::Popup popup;
    popup.eventId = eventId;
    popup.title = title();
    popup.text = content.text;
    popup.actions = content.actions;
    popup.defaultAction = QCoreApplication::translate("NotifierCore", "Show more");
    popup.urgency = content.urgency;
    popup.persistent = content.persistent;
    if (state == State::UpdateReady || state == State::UpgradeReady) {
        m_actionsOffered = true;
    } else if (state == State::UpdateSet || state == State::UpgradeSet) {
        m_actionsOffered = false;
    }
    m_shownEvent = eventId;
    m_popups.show(Popups::Kind::State, popup);
}

void Notifications::close()
{
    if (!m_shownEvent.isEmpty()) {
        m_shownEvent.clear();
        m_popups.close(Popups::Kind::State);
    }
}

void Notifications::showUpgradeSwitchFailed(const QString& detail)
{
    showError(UpgradeSwitchFailed, detail);
}

void Notifications::showError(int type, const QString& detail)
{
    if (type < 1 || type == m_lastErrorType) {
        return;
    }
    m_lastErrorType = type;
    if (holding()) {
        m_heldError = HeldError {type, detail};
        return;
    }
    raiseError(type, detail);
}

void Notifications::raiseError(int type, const QString& detail)
{
    switch (type) {
    case NoFreeSpace:
        raiseError(QCoreApplication::translate("NotifierCore", "Not enough free space for update"));
        break;
    case ErrorBeforeUpdate:
        raiseError(QCoreApplication::translate("NotifierCore", "There is an error before update"));
        break;
    case UpgradeSwitchFailed:
        raiseError(
            QCoreApplication::translate("NotifierCore", "Upgrade state not changed due D-Bus error:\n%1").arg(detail));
        break;
    default:
        raiseError(QString()); // the title alone
        break;
    }
}

void Notifications::showServiceError(int code, bool answered)
{
    // The service's error that was held back is over, or another one came.
    if (answered && m_heldError && m_heldError->type != UpgradeSwitchFailed && m_heldError->type != code) {
        m_heldError.reset();
    }
    if (answered && code == 0) {
        m_lastErrorType = -1;
    }
    showError(code, QString());
}

void Notifications::upgradeSwitched()
{
    if (m_heldError && m_heldError->type == UpgradeSwitchFailed) {
        m_heldError.reset();
    }
}

void Notifications::showRebootFailed()
{
    raiseError(QCoreApplication::translate(
        "NotifierCore", "The computer could not be restarted. Please restart it yourself."));
}

void Notifications::raiseError(const QString& text)
{
    Popups::Popup popup;
    popup.eventId = QStringLiteral("prepareerror");
    popup.title = title();
    popup.text = text;
    popup.urgency = PopupContent::Critical;
    popup.persistent = true;
    m_popups.show(Popups::Kind::Error, popup);
}
