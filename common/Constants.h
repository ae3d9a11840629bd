#pragma once

#include <QString>

#include <string>

// Fixed names shared by the core and the dialogs. QStringLiteral keeps them in static data.

static const QString iconAfterReboot = QStringLiteral("updates-after-reboot");
static const QString iconAfterRebootFallback = QStringLiteral(":/icons/updates-after-reboot.svg");
static const QString iconUnavailable = QStringLiteral("updates-unavailable");
static const QString iconUnavailableFallback = QStringLiteral(":/icons/updates-unavailable.svg");
static const QString iconAvailable = QStringLiteral("updates-available");
static const QString iconAvailableFallback = QStringLiteral(":/icons/updates-available.svg");
static const QString iconServiceError = QStringLiteral("updates-service-error");
static const QString iconServiceErrorFallback = QStringLiteral(":/icons/updates-service-error.svg");
static const QString iconServiceDisabled = QStringLiteral("updates-service-disabled");
static const QString iconServiceDisabledFallback = QStringLiteral(":/icons/updates-service-disabled.svg");

static const QString upgradeConfigPath = QStringLiteral("/usr/share/tarno-upgrade/target.conf.yaml");
static const QString upgradeCacheDir = QStringLiteral("/var/cache/tarno-upgrade");
static const QString upgradePackageName = QStringLiteral("tarno-upgrade");
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

static const QString dateTimeFormat = QStringLiteral("hh:mm dd.MM.yyyy");

static const std::string yamlUpgradeMode = "upgrade_mode";
static const std::string yamlUpgrade = "upgrade";
static const std::string yamlTargetRelease = "target_release";
static const std::string yamlEndTime = "t_end";
