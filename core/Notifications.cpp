#include "Notifications.h"

#include <QCoreApplication>

namespace {
QString title()
{
    return QCoreApplication::translate("NotifierCore", "System update");
}
} // namespace

Notifications::Notifications(Popups& popups, QObject* parent) : QObject(parent), m_popups(popups)
{
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
}

void Notifications::showState(State state, const PopupContent& content)
{
    Popups::Popup popup;
    popup.eventId = stateEventId(state);
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
    m_stateShown = true;
    m_popups.show(Popups::Kind::State, popup);
}

void Notifications::close()
{
    if (m_stateShown) {
        m_stateShown = false;
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
    if (answered && code == 0) {
        m_lastErrorType = -1;
    }
    showError(code, QString());
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
