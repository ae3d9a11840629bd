// Our stand-ins for the desktop libraries: start-up integration, help, and the admin service client.
#include "DbusService.h"
#include "SimulatorProcess.h"
#include "TestMain.h"
#include "ZibHelpMenu.h"
#include "zibintegration.h"

#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMessageBox>
#include <QSignalSpy>
#include <QUrl>

namespace {
const QString reportPath = QStringLiteral("/var/cache/tarno-upgrade/upgrade.report.yaml");

QByteArray readSysFile(const QString& path)
{
    QFile file(TestEnvironment::instance().sysroot() + path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class UrlCatcher : public QObject
{
    Q_OBJECT
public Q_SLOTS:
    void open(const QUrl& url) { urls.append(url); }

public:
    QList<QUrl> urls;
};

class PlatformTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Installed data: the manual and the German catalogue.
        const QString data = TestEnvironment::instance().root() + QLatin1String("/data/zib-user-update-notifier");
        QDir().mkpath(data + QLatin1String("/doc"));
        QDir().mkpath(data + QLatin1String("/translations"));
        QVERIFY(QFile::copy(
            QStringLiteral(ZIB_SOURCE_DIR "/resources/doc/index.html"), data + QLatin1String("/doc/index.html")));
        QVERIFY(QFile::copy(QStringLiteral(ZIB_QM_DIR "/zib-user-update-notifier_de.qm"),
            data + QLatin1String("/translations/zib-user-update-notifier_de.qm")));
    }

    void initSetsIdentityAndLoadsTheCatalogue()
    {
        QLocale::setDefault(QLocale(QStringLiteral("de_DE")));
        zibInit("3.1.18+b4", "User update notifier");
        QLocale::setDefault(QLocale::c());
        QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral("3.1.18+b4"));
        QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("User update notifier"));
        QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("zib-user-update-notifier"));
        QCOMPARE(QCoreApplication::translate("NotifierCore", "System update"), QStringLiteral("Systemaktualisierung"));
        QCOMPARE(QCoreApplication::translate("NotifierCore", "for 2 days"), QStringLiteral("für 2 Tage"));
    }

    void helpOpensTheManual()
    {
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("help"), &catcher, "open");
        zibHelpShow(QString());
        zibHelpShow(QStringLiteral("settings"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("help"));
        QCOMPARE(catcher.urls,
            (QList<QUrl> {QUrl(QStringLiteral("help:zib-user-update-notifier")),
                QUrl(QStringLiteral("help:zib-user-update-notifier/settings"))}));

        // Nothing handles help: the installed HTML manual is opened instead.
        catcher.urls.clear();
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", "/nonexistent");
        zibHelpShow(QString());
        qputenv("PATH", path);
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(catcher.urls.size(), 1);
        QVERIFY(catcher.urls.constFirst().toLocalFile().endsWith(
            QLatin1String("/zib-user-update-notifier/doc/index.html")));
    }

    void helpMenu()
    {
        ZibHelpMenu menu;
        const QList<QAction*> entries = menu.actions();
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries[0]->shortcut(), QKeySequence(QKeySequence::HelpContents));

        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("help"), &catcher, "open");
        entries[0]->trigger();
        QDesktopServices::unsetUrlHandler(QStringLiteral("help"));
        QCOMPARE(catcher.urls.size(), 1);

        QCoreApplication::setApplicationVersion(QStringLiteral("3.1.18+b4"));
        QGuiApplication::setApplicationDisplayName(QStringLiteral("User update notifier"));
        entries[1]->trigger();
        auto* about = menu.findChild<QMessageBox*>();
        QVERIFY(about);
        QVERIFY(about->isVisible());
        QVERIFY(about->text().contains(QLatin1String("3.1.18+b4")));
        QVERIFY(about->text().contains(QLatin1String("User update notifier")));
        QVERIFY(about->text().contains(QCoreApplication::applicationName()));
    }

    void upgradeSwitchReportsItsOutcome()
    {
        SimulatorProcess sim;
        QVERIFY(sim.start());
        ZibAdmin::DbusService service;
        QSignalSpy output(&service, &ZibAdmin::DbusService::processOutput);
        QSignalSpy message(&service, &ZibAdmin::DbusService::showMessage);

        QVERIFY(TestEnvironment::instance().writeSysFile(reportPath, "upgrade_mode: ready\nt_end: 09:30 15.03.2031\n"));
        service.changeUpgradeState(true);
        QVERIFY(output.wait(5000));
        QCOMPARE(output.at(0).at(0).toString(), QStringLiteral("upgrade_mode: activated"));
        QVERIFY(readSysFile(reportPath).contains("upgrade_mode: activated"));
        QCOMPARE(sim.callLog(), QStringList {QStringLiteral("ChangeUpgradeState(true)")});

        // A failure carries the service's own message for the user.
        QFile::remove(TestEnvironment::instance().sysroot() + reportPath);
        service.changeUpgradeState(false);
        QVERIFY(message.wait(5000));
        QCOMPARE(message.at(0).at(1).toString(), QStringLiteral("The upgrade report does not exist"));

        // A reply of the wrong type is a failure too.
        QVERIFY(sim.script(QStringLiteral("ChangeUpgradeState"), QStringLiteral("value"), 5));
        service.changeUpgradeState(true);
        QVERIFY(message.wait(5000));
        QCOMPARE(output.size(), 1);
    }

    void upgradeSwitchNeverBlocks()
    {
        SimulatorProcess sim;
        QVERIFY(sim.start());
        QVERIFY(sim.script(QStringLiteral("ChangeUpgradeState"), QStringLiteral("hang")));
        ZibAdmin::DbusService service;
        QSignalSpy message(&service, &ZibAdmin::DbusService::showMessage);
        QElapsedTimer clock;
        clock.start();
        service.changeUpgradeState(true);
        QVERIFY(clock.elapsed() < 500);
        QVERIFY(message.wait(TestEnvironment::busReplyTimeoutMs + 5000));
        QVERIFY(!message.at(0).at(1).toString().isEmpty());
        sim.stop();

        // No admin service at all.
        service.changeUpgradeState(false);
        QVERIFY(message.wait(5000));
        QCOMPARE(message.size(), 2);
    }
};

ZIB_TEST_MAIN(PlatformTest)
#include "tst_platform.moc"
