#include "VersionFile.h"

#include "SysRoot.h"

#include <QFile>

namespace {
constexpr qint64 maxVersionBytes = 4096;
}

QString readSystemVersion()
{
    QFile file(SysRoot::path(QStringLiteral("/etc/tarno_version")));
    if (!file.open(QIODevice::ReadOnly)) {
        return QString();
    }
    QByteArray head = file.read(maxVersionBytes);
    const int end = head.indexOf('\n');
    if (end >= 0) {
        head.truncate(end);
    }
    const int nul = head.indexOf('\0');
    if (nul >= 0) {
        head.truncate(nul);
    }
    return QString::fromUtf8(head).trimmed();
}
