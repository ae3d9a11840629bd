// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Reading the files that other programs leave: the upgrade tool's YAML files, the result stamps and the
// version file. Only a regular file is opened, and without waiting, so a FIFO or a device in its place
// can never block the GUI thread; no more than a bound is read.
namespace SystemFile {

enum class Oversize {
    Reject, // a file larger than the bound is not the other program's: read it as unreadable
    Head, // only the first bytes count
};

// The file's bytes; nothing for a missing file, or one that is not regular, too large or unreadable.
// A problem other than a missing file is logged once, when it starts, and once when it ends.
std::optional<QByteArray> read(const QString& path, qint64 maxBytes, Oversize oversize);

// Logs a problem with a file's content (not YAML, a wrong node type) in the same way; an empty
// `problem` says the file is fine again.
void report(const QString& path, const QString& problem);

} // namespace SystemFile
