// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

// The user's settings file, as any bytes.
#include "Fakes.h"
#include "FuzzApp.h"
#include "SettingsStore.h"

#include <QSettings>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QString path = QSettings(QStringLiteral("TarnoLinux"), QStringLiteral("zib-update-notifier"))
                                    .fileName()
                                    .mid(SysRoot::root().size());
    FUZZ_CHECK(writeSysFile(path, QByteArray(reinterpret_cast<const char*>(data), int(size))));
    const QDateTime now = QDateTime(QDate(2026, 12, 7), QTime(10, 0));
    const SettingsStore::Values a = SettingsStore::read(now);
    const SettingsStore::Values b = SettingsStore::read(now);
    FUZZ_CHECK(a.notifyInterval >= 1 && a.hideTrayDelayMs >= 0 && a.nextNotifyDate.isValid());
    FUZZ_CHECK(a.notifyInterval == b.notifyInterval && a.nextNotifyDate == b.nextNotifyDate &&
        a.hideTray == b.hideTray && a.hideTrayDelayMs == b.hideTrayDelayMs &&
        a.skipNotificationDelay == b.skipNotificationDelay && a.skipNotificationSince == b.skipNotificationSince &&
        a.hideTrayDeferred == b.hideTrayDeferred);
    return 0;
}
