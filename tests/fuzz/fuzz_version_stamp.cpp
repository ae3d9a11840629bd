// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

// The version file and the failed update's stamp, as any bytes.
#include "Fakes.h"
#include "FuzzApp.h"
#include "ResultStamps.h"
#include "VersionFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    FUZZ_CHECK(writeSysFile(QStringLiteral("/etc/tarno_version"), bytes));
    FUZZ_CHECK(writeSysFile(QStringLiteral("/var/cache/tarno-update-service/unsuccessful"), bytes));
    // One trimmed line of at most the bytes read.
    const QString version = readSystemVersion();
    FUZZ_CHECK(version == version.trimmed() && !version.contains(QLatin1Char('\n')) && version.size() <= 4096);
    // The failure is told once, as a warning, and its stamp alone is removed.
    const QList<ResultStamps::Message> messages = ResultStamps::pending(version);
    FUZZ_CHECK(messages.size() == 1 && messages[0].warning && !messages[0].text.isEmpty());
    FUZZ_CHECK(messages[0].kinds == QList<ResultStamp> {ResultStamp::UpdateFailure});
    return 0;
}
