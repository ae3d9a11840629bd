// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "Logging.h"

Q_LOGGING_CATEGORY(lcCore, "zib.notifier.core", QtWarningMsg)
Q_LOGGING_CATEGORY(lcFiles, "zib.notifier.files", QtWarningMsg)
