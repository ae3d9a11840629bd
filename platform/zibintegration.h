// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>

// Desktop start-up integration: version, display name, desktop file name and translations.
void zibInit(const char* version, const char* description);

// Opens the desktop help viewer on this program's manual (at `topic` when given).
void zibHelpShow(const QString& topic);
