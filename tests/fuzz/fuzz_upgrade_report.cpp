// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

// The release-upgrade tool's report and configuration, as any bytes.
#include "DateFormat.h"
#include "FuzzApp.h"
#include "UpgradeReport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), int(size));
    const UpgradeReport::Report report = UpgradeReport::parseReport(text);
    FUZZ_CHECK(report.mode >= UpgradeReport::Mode::Missing && report.mode <= UpgradeReport::Mode::Forced);
    // A date is one that the format writes and reads back.
    FUZZ_CHECK(!report.end.isValid() ||
        QDateTime::fromString(report.end.toString(dateTimeFormat), dateTimeFormat) == report.end);
    UpgradeReport::parseTargetRelease(text);
    return 0;
}
