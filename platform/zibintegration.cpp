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
    const QString manual =
        QStandardPaths::locate(QStandardPaths::GenericDataLocation, appId + QLatin1String("/doc/index.html"));
    if (!manual.isEmpty()) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(manual));
    }
}
