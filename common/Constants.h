#pragma once

#include "DateFormat.h"

#include <QString>

// Fixed names still shared between folders.

static const QString updateServiceExecutable = QStringLiteral("/usr/sbin/tarno-update-service");
static const QString upgradeSuccessStamp = QStringLiteral("/var/cache/tarno-upgrade/successful");
static const QString upgradeAbortedStamp = QStringLiteral("/var/cache/tarno-upgrade/upgrade_aborted");
static const QString updateFailureStamp = QStringLiteral("/var/cache/tarno-update-service/unsuccessful");
static const QString updateSuccessStamp = QStringLiteral("/var/cache/tarno-update-service/successful");

static const QString serviceObjectPath = QStringLiteral("/org/tarnolinux/UpdateService");
static const QString serviceName = QStringLiteral("org.tarnolinux.UpdateService");

static const QString keyNextNotifyDate = QStringLiteral("nextNotifyDate");
static const QString keyNotifyInterval = QStringLiteral("notifyInterval");
static const QString settingsGroup = QStringLiteral("General");
static const QString keySkipNotificationSince = QStringLiteral("skipNotificationSince");
static const QString keySkipNotificationDelay = QStringLiteral("skipNotificationDelay");
static const QString keyHideTrayDeferred = QStringLiteral("hideTrayDeferred");
static const QString keyHideTrayDelay = QStringLiteral("hideTrayDelay");
static const QString keyHideTray = QStringLiteral("hideTray");
static const QString settingsApplication = QStringLiteral("zib-update-notifier");
static const QString settingsOrganization = QStringLiteral("TarnoLinux");
