// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>

// Dates from the update service and the upgrade report, and dates in the information window.
static const QString dateTimeFormat = QStringLiteral("hh:mm dd.MM.yyyy");
