// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QLoggingCategory>

// Warnings are on by default: each is a failure a helpdesk would ask about. Info lines (connections,
// states, requests) are off until QT_LOGGING_RULES="zib.notifier.*.info=true".
Q_DECLARE_LOGGING_CATEGORY(lcCore)
Q_DECLARE_LOGGING_CATEGORY(lcFiles)
