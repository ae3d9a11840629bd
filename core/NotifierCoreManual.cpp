#include "NotifierCore.h"

#include <KNotification>

// Switching the update on and off and the reboot come with the manual-change work; until then the
// entry points are wired but inert.

void NotifierCore::changeSystemStateManual() { }

void NotifierCore::onEnableRequest() { }

void NotifierCore::onDisableRequest() { }

void NotifierCore::onUpdateOnRebootAction() { }

void NotifierCore::enableUpdateOnReboot() { }

void NotifierCore::disableUpdateOnReboot() { }

void NotifierCore::scheduleUpgrade() { }

void NotifierCore::postponeUpgrade() { }

void NotifierCore::checkRebootRequest() { }

void NotifierCore::onDbusServiceMessage(const QString& title, const QString& message)
{
    Q_UNUSED(title)
    Q_UNUSED(message)
}

void NotifierCore::onDbusServiceOutput(const QString& output)
{
    Q_UNUSED(output)
}

void NotifierCore::processFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    Q_UNUSED(exitCode)
    Q_UNUSED(exitStatus)
}

// Independent of the state notification; a lasting error is told once.
void NotifierCore::showErrorNotification(int type, const QString& detail)
{
    if (type < 1 || type == m_lastErrorType) {
        return;
    }
    m_lastErrorType = type;

    if (m_errorNotification) {
        m_errorNotification->close();
        m_errorNotification.clear();
    }
    m_errorNotification = new KNotification(QString(), KNotification::CloseOnTimeout, this);
    m_errorNotification->setComponentName(QStringLiteral("zib-user-update-notifier"));
    m_errorNotification->setTitle(tr("System update"));
    switch (type) {
    case 1:
        m_errorNotification->setText(tr("Not enough free space for update"));
        break;
    case 2:
        m_errorNotification->setText(tr("There is an error before update"));
        break;
    case 3:
        m_errorNotification->setText(tr("Upgrade state not changed due D-Bus error:\n%1").arg(detail));
        break;
    default:
        break;
    }
    m_errorNotification->setEventId(QStringLiteral("prepareerror"));
    m_errorNotification->setActions(QStringList());
    m_errorNotification->setUrgency(KNotification::CriticalUrgency);
    m_errorNotification->setFlags(KNotification::Persistent);
    m_errorNotification->sendEvent();
}
