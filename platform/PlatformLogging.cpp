// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "PlatformLogging.h"

Q_LOGGING_CATEGORY(lcService, "zib.notifier.service", QtWarningMsg)
Q_LOGGING_CATEGORY(lcDesktop, "zib.notifier.desktop", QtWarningMsg)
