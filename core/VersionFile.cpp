// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "VersionFile.h"

#include "SysRoot.h"
#include "SystemFile.h"

namespace {
constexpr qint64 maxVersionBytes = 4096;
}

QString readSystemVersion()
{
    const std::optional<QByteArray> text = SystemFile::read(
        SysRoot::path(QStringLiteral("/etc/tarno_version")), maxVersionBytes, SystemFile::Oversize::Head);
    if (!text) {
        return QString();
    }
    QByteArray head = *text;
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
