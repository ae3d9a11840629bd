#include "NotifierCore.h"

#include "NotifierLogging.h"

// Following the release-upgrade tool's files comes with the upgrade work; until then the operations
// exist and change nothing.

void NotifierCore::checkUpgradeFiles() { }

void NotifierCore::applyUpgradeReport() { }

bool NotifierCore::findUpgradeReport()
{
    return false;
}

int NotifierCore::readUpgradeMode(const QString& path)
{
    Q_UNUSED(path)
    return -1;
}

QDateTime NotifierCore::readUpgradeDate()
{
    return QDateTime();
}

QString NotifierCore::readTargetRelease()
{
    return QString();
}

void NotifierCore::watchUpgradeReport() { }

void NotifierCore::unwatchUpgradeReport() { }

void NotifierCore::resetUpgradeInfo()
{
    qCDebug(lcCore) << "resetUpgradeInfo";
}

bool NotifierCore::noServiceError() const
{
    return m_serviceReply == 0;
}
