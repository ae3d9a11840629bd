// Installed resources: tray pictures (the embedded bundle backs every name, the desktop theme wins when it has
// the icon) and the notification events, without which no notification is ever shown.
#include "Constants.h"
#include "NotifierCoreProbe.h"
#include "TestMain.h"

#include <QDir>
#include <QFile>
#include <QIcon>
#include <QRegularExpression>
#include <QSettings>

class ResourcesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void notificationEventsDeclared()
    {
        QSettings rc(QStringLiteral(ZIB_TEST_SHARE_DIR "/knotifications5/zib-user-update-notifier.notifyrc"),
            QSettings::IniFormat);
        QCOMPARE(rc.value(QStringLiteral("Global/IconName")).toString(), QStringLiteral("zib-user-update-notifier"));
        QCOMPARE(rc.value(QStringLiteral("Global/Comment")).toString(), QStringLiteral("User update notifier"));
        QStringList events;
        for (int state = 0; state <= UpgradeSet; ++state) {
            events << stateEventId(state);
        }
        events << QStringLiteral("prepareerror");
        const QStringList actions = rc.allKeys().filter(QRegularExpression(QStringLiteral("^Event/[^/]+/Action$")));
        QCOMPARE(actions.size(), 9);
        for (const QString& event : events) {
            QCOMPARE(rc.value(QLatin1String("Event/") + event + QLatin1String("/Action")).toString(),
                QStringLiteral("Popup"));
        }
    }

    void bundleHasEveryPicture_data()
    {
        QTest::addColumn<QString>("path");
        for (const QString& path :
            {iconUnavailableFallback, iconAvailableFallback, iconAfterRebootFallback, iconServiceErrorFallback,
                iconServiceDisabledFallback, QStringLiteral(":/icons/apps-zib-update-notifier.svg")}) {
            QTest::newRow(qPrintable(path)) << path;
        }
    }

    void bundleHasEveryPicture()
    {
        QFETCH(QString, path);
        QVERIFY(QFile::exists(path));
        QVERIFY(!QIcon(path).pixmap(22, 22).isNull());
    }

    void bundleHoldsOnlyTheIcons() { QCOMPARE(QDir(QStringLiteral(":/icons")).entryList().size(), 6); }

    void themeIsPreferredOverFallback()
    {
        // A theme that knows one of the five names only.
        const QString themes = TestEnvironment::instance().root() + QLatin1String("/icon-themes");
        QDir().mkpath(themes + QLatin1String("/probe/status"));
        QFile index(themes + QLatin1String("/probe/index.theme"));
        QVERIFY(index.open(QIODevice::WriteOnly));
        index.write("[Icon Theme]\nName=probe\nDirectories=status\n\n[status]\nSize=48\nType=Scalable\nMinSize=8\n"
                    "MaxSize=512\n");
        index.close();
        QVERIFY(QFile::copy(iconAvailableFallback, themes + QLatin1String("/probe/status/updates-available.svg")));

        const QStringList searchPaths = QIcon::themeSearchPaths();
        const QString themeName = QIcon::themeName();
        QIcon::setThemeSearchPaths({themes});
        QIcon::setThemeName(QStringLiteral("probe"));

        const QIcon themed = QIcon::fromTheme(iconAvailable, QIcon(iconAvailableFallback));
        QCOMPARE(themed.name(), iconAvailable);
        const QIcon fallback = QIcon::fromTheme(iconServiceError, QIcon(iconServiceErrorFallback));
        QVERIFY(fallback.name().isEmpty());
        QVERIFY(!fallback.pixmap(22, 22).isNull());

        // The core builds its tray pictures the same way.
        {
            NotifierCore core(true, nullptr);
            NotifierCoreProbe probe(&core);
            probe.updateStatus(UpdateReady);
            QCOMPARE(probe.trayIcon()->icon().name(), iconAvailable);
            probe.updateStatus(InitError);
            QVERIFY(probe.trayIcon()->icon().name().isEmpty());
            QVERIFY(!probe.trayIcon()->icon().pixmap(22, 22).isNull());
        }

        QIcon::setThemeSearchPaths(searchPaths);
        QIcon::setThemeName(themeName);
    }
};

ZIB_TEST_MAIN(ResourcesTest)
#include "tst_resources.moc"
