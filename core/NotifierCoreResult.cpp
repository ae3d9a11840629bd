#include "NotifierCore.h"

#include "Constants.h"
#include "SysRoot.h"

#include <QFile>

// Telling the result of the last update after a reboot comes with the result-stamp work.

void NotifierCore::showUpdateResult() { }

void NotifierCore::showUpgradeResult() { }

QString NotifierCore::readCurrentVersion() const
{
    QFile file(SysRoot::path(QStringLiteral("/etc/tarno_version")));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return QString();
    }
    const QByteArray line = file.readLine();
    if (line.isNull()) {
        return QString();
    }
    const int nul = line.indexOf('\0');
    return QString::fromUtf8(nul < 0 ? line : line.left(nul)).trimmed();
}
