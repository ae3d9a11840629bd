// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QDateTime>
#include <QString>

// What the release-upgrade tool's two YAML files say. A file that is missing, not a regular file, too
// large, not YAML, or not a mapping where one is expected reads as a missing one.
namespace UpgradeReport {

enum class Mode {
    Missing = -1, // no report, or no "upgrade_mode" in it
    Unknown = 0, // a mode we don't know
    Ready = 1,
    Activated = 2,
    Forced = 3,
};

struct Report
{
    Mode mode = Mode::Missing;
    QDateTime end; // "t_end"; invalid when there is none
};

// The tool's files are read every 10 s: anything bigger is not the tool's.
constexpr qint64 maxBytes = 1024 * 1024;

Report parseReport(const QByteArray& text);
QString parseTargetRelease(const QByteArray& text);
// As the parsers, from the files; problems are logged.
Report readReport(const QString& path);
QString readTargetRelease(const QString& path);

} // namespace UpgradeReport
