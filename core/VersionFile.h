// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>

// The installed system version: the first line of the version file, trimmed. Only the file's first
// few KiB are read, whatever it holds.
QString readSystemVersion();
