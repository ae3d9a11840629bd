#pragma once

#include "DateFormat.h"

#include <QString>

// Fixed names still shared between folders.

static const QString upgradeSuccessStamp = QStringLiteral("/var/cache/tarno-upgrade/successful");
static const QString upgradeAbortedStamp = QStringLiteral("/var/cache/tarno-upgrade/upgrade_aborted");
static const QString updateFailureStamp = QStringLiteral("/var/cache/tarno-update-service/unsuccessful");
static const QString updateSuccessStamp = QStringLiteral("/var/cache/tarno-update-service/successful");
