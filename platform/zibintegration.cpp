// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "zibintegration.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTranslator>
#include <QUrl>

namespace {
const QLatin1String appId("zib-user-update-notifier");

void installTranslator(const QString& name, const QString& directory)
{
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QLocale(), name, QStringLiteral("_"), directory)) {
        QCoreApplication::installTranslator(translator);
    } else {
        delete translator;
    }
}

QString installedManual(const QString& page)
{
    return QStandardPaths::locate(QStandardPaths::GenericDataLocation, appId + QLatin1String("/doc/") + page);
}

// German users get the German page when it is installed; everyone else, or a missing page, the English one.
QString localManual()
{
    if (QLocale().name().startsWith(QLatin1String("de"))) {
        const QString german = installedManual(QStringLiteral("de/index.html"));
        if (!german.isEmpty()) {
            return german;
        }
    }
    return installedManual(QStringLiteral("index.html"));
}
} // namespace

void zibInit(const char* version, const char* description)
{
    QCoreApplication::setApplicationVersion(QString::fromUtf8(version));
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QGuiApplication::setApplicationDisplayName(QString::fromUtf8(description));
        QGuiApplication::setDesktopFileName(appId);
    }

    const QString catalogues = QStandardPaths::locate(
        QStandardPaths::GenericDataLocation, appId + QLatin1String("/translations"), QStandardPaths::LocateDirectory);
    if (!catalogues.isEmpty()) {
        installTranslator(appId, catalogues);
        // Standard buttons of our boxes and dialogs.
        installTranslator(QStringLiteral("qtbase"), QLibraryInfo::location(QLibraryInfo::TranslationsPath));
    }
}

void zibHelpShow(const QString& topic)
{
    QString address = QLatin1String("help:") + appId;
    if (!topic.isEmpty()) {
        address += QLatin1Char('/') + topic;
    }
    if (QDesktopServices::openUrl(QUrl(address))) {
        return;
    }
    const QString manual = localManual();
    if (!manual.isEmpty()) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(manual));
    }
}
