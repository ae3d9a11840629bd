// Our stand-ins for the desktop libraries: start-up integration, help, message boxes, the release-upgrade
// switch, the reboot, the package query and the process check.
#include "PackageManager.h"
#include "SimulatorProcess.h"
#include "SysRoot.h"
#include "SystemdService.h"
#include "TestBus.h"
#include "UnitMain.h"
#include "ZibDesktop.h"
#include "zibintegration.h"

#include <QDBusConnection>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>

using ZibAdmin::PackageManager;

namespace {
const QString package = QStringLiteral("tarno-upgrade");
const QString pattern = QStringLiteral("ii\\s%1");
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

    QTemporaryDir dir;
    QString bin() const { return dir.filePath(QStringLiteral("bin")); }

    // A program that notes its argument count and first argument in "runs" beside it (by default the
    // dpkg-query first on PATH); replaced atomically, as an upgrade would.
    void fakeProgram(const QByteArray& body, QString path = {}, QFile::Permissions exe = QFile::ExeOwner)
    {
        path = path.isEmpty() ? bin() + QLatin1String("/dpkg-query") : path;
        QFile script(path + QLatin1String(".new"));
        QVERIFY(QDir().mkpath(QFileInfo(path).path()) && script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho \"$#:$1\" >> \"$(dirname \"$0\")/runs\"\n" + body + "\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | exe);
        QVERIFY(::rename(QFile::encodeName(script.fileName()).constData(), QFile::encodeName(path).constData()) == 0);
        QFile::remove(QFileInfo(path).path() + QLatin1String("/runs"));
    }
    static QByteArray runs(const QString& dir)
    {
        QFile file(dir + QLatin1String("/runs"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QDir().mkpath(bin());
        qputenv("PATH", QFile::encodeName(bin()) + ":/usr/bin:/bin");
        const QString data = dir.filePath(QStringLiteral("data/zib-user-update-notifier"));
        QDir().mkpath(data + QLatin1String("/doc"));
        QDir().mkpath(data + QLatin1String("/translations"));
        QVERIFY(QFile::copy(
            QStringLiteral(ZIB_SOURCE_DIR "/resources/doc/index.html"), data + QLatin1String("/doc/index.html")));
        QVERIFY(QFile::copy(QStringLiteral(ZIB_QM_DIR "/zib-user-update-notifier_de.qm"),
            data + QLatin1String("/translations/zib-user-update-notifier_de.qm")));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(dir.filePath(QStringLiteral("data"))));
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
    }

    // The help viewer first; without one the installed manual, in German for German users when it is there.
    void helpFallsBackToTheManual()
    {
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("help"), &catcher, "open");
        zibHelpShow(QStringLiteral("settings"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("help"));
        QCOMPARE(catcher.urls, QList<QUrl> {QUrl(QStringLiteral("help:zib-user-update-notifier/settings"))});

        const QString german = dir.filePath(QStringLiteral("data/zib-user-update-notifier/doc/de/index.html"));
        QVERIFY(QDir().mkpath(QFileInfo(german).path()));
        QVERIFY(QFile::copy(QStringLiteral(ZIB_SOURCE_DIR "/resources/doc/de/index.html"), german));
        catcher.urls.clear();
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        qputenv("PATH", "/nonexistent"); // no help viewer
        zibHelpShow(QString());
        QLocale::setDefault(QLocale(QStringLiteral("de_AT")));
        zibHelpShow(QString());
        QFile::remove(german);
        zibHelpShow(QString()); // not installed: the English page
        QLocale::setDefault(QLocale::c());
        qputenv("PATH", QFile::encodeName(bin()) + ":/usr/bin:/bin");
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(catcher.urls.size(), 3);
        QVERIFY(catcher.urls.at(0).toLocalFile().endsWith(QLatin1String("/doc/index.html")));
        QVERIFY(catcher.urls.at(1).toLocalFile().endsWith(QLatin1String("/doc/de/index.html")));
        QVERIFY(catcher.urls.at(2).toLocalFile().endsWith(QLatin1String("/doc/index.html")));
    }

    // The box opens modal and the call returns, with no event loop of its own; Ok is told once, the
    // box's end with the program is not.
    void messageBoxDoesNotWait()
    {
        auto desktop = std::make_unique<ZibDesktop>();
        int closed = 0;
        QTimer::singleShot(0, &QApplication::closeAllWindows); // would close a box that ran its own loop
        desktop->showMessage(
            true, QStringLiteral("Unsuccessful update attempt"), QStringLiteral("why"), [&] { ++closed; });
        QPointer<QMessageBox> box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box && !box->parentWidget() && box->windowModality() == Qt::ApplicationModal);
        QCOMPARE(box->icon(), QMessageBox::Warning);
        QCOMPARE(box->windowTitle(), QStringLiteral("Unsuccessful update attempt"));
        QCOMPARE(box->text(), QStringLiteral("why"));
        QCOMPARE(box->standardButtons(), QMessageBox::Ok);
        QCOMPARE(closed, 0);
        box->button(QMessageBox::Ok)->click();
        QCOMPARE(closed, 1);
        QTRY_VERIFY(!box);
        desktop->showMessage(false, QString(), QString(), [&] { ++closed; });
        box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QCOMPARE(box->icon(), QMessageBox::Information);
        desktop.reset();
        QVERIFY(!box);
        QCOMPARE(closed, 1);
    }

    // Overlapping switches each get their own outcome, in whatever order the answers come; with the bus
    // gone, the lost connection is the outcome.
    void overlappingUpgradeSwitches()
    {
        TestBus bus; // the first use of the system bus in this process
        SimulatorProcess admin;
        QVERIFY(bus.start(QStringLiteral(ZIB_TEST_BUS_CONF)));
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", bus.address().toUtf8());
        QVERIFY(admin.start({QStringLiteral("--no-pose")}));
        QVERIFY(
            admin.control(QStringLiteral("SetUpgrade"), {QStringLiteral("ready"), QStringLiteral("13"), QString()}));
        const QString method = QStringLiteral("ChangeUpgradeState");
        QVERIFY(admin.script(method, QStringLiteral("delay"), 300));
        QVERIFY(
            admin.script(method, QStringLiteral("error"), QStringLiteral("org.freedesktop.DBus.Error.AccessDenied")));
        ZibDesktop desktop;
        QStringList outcomes;
        const auto change = [&](bool enable) {
            desktop.changeUpgradeState(enable, [&outcomes, enable](std::optional<QString> error) {
                outcomes << QString::number(enable) + error.value_or(QStringLiteral("done"));
            });
        };
        QTest::ignoreMessage(QtWarningMsg,
            "switching the release upgrade off failed: org.freedesktop.DBus.Error.AccessDenied scripted error");
        change(true);
        change(false);
        QTRY_COMPARE(outcomes, (QStringList {QStringLiteral("0scripted error"), QStringLiteral("1done")}));
        QCOMPARE(admin.callLog(), (QStringList {method + QLatin1String("(true)"), method + QLatin1String("(false)")}));

        bus.stop();
        QTRY_VERIFY(!QDBusConnection::systemBus().isConnected());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("on failed: .*Disconnected")));
        change(true);
        QTRY_COMPARE(outcomes.size(), 3);
        QCOMPARE(outcomes[2], QStringLiteral("1Not connected to the system bus"));
    }

    void reboot_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("executable");
        QTest::addColumn<bool>("ok");
        QTest::newRow("reboots") << QByteArray("exit 0") << true << true;
        QTest::newRow("fails") << QByteArray("exit 1") << true << false;
        QTest::newRow("crashes") << QByteArray("kill -SEGV $$") << true << false;
        QTest::newRow("cannot start") << QByteArray("exit 0") << false << false;
    }
    void reboot()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, executable);
        QFETCH(bool, ok);
        const QString program = SysRoot::path(QStringLiteral("/usr/bin/zib-wmfunc"));
        fakeProgram(body, program, executable ? QFile::ExeOwner : QFile::Permissions());
        if (!ok) {
            QTest::ignoreMessage(
                QtWarningMsg, QRegularExpression(QStringLiteral("^reboot: .*/usr/bin/zib-wmfunc ZIBWM_REBOOT .+")));
        }
        ZibDesktop desktop;
        std::optional<bool> done;
        desktop.reboot([&](bool result) { done = result; });
        QTRY_VERIFY(done);
        QCOMPARE(*done, ok);
        QCOMPARE(runs(QFileInfo(program).path()), executable ? QByteArray("1:ZIBWM_REBOOT\n") : QByteArray());
    }

    void packageQuery_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("installed");
        QTest::newRow("installed") << QByteArray("echo 'ii tarno-upgrade'") << true;
        QTest::newRow("config files only") << QByteArray("echo 'rc tarno-upgrade'") << false;
        QTest::newRow("unknown package") << QByteArray("echo 'no packages found' >&2; exit 1") << false;
        QTest::newRow("crashing") << QByteArray("kill -SEGV $$") << false;
        QTest::newRow("hanging") << QByteArray("exec sleep 60") << false;
    }
    void packageQuery()
    {
        QFETCH(QByteArray, body);
        fakeProgram(body);
        PackageManager::clearCache();
        QElapsedTimer clock;
        clock.start();
        QTEST(PackageManager::isPackageInstalled(package, pattern), "installed");
        QVERIFY2(clock.elapsed() < 6000, "the query is bounded by 5 s");
        // "." in a name must not match any character.
        QVERIFY(!PackageManager::isPackageInstalled(QStringLiteral("tarno.upgrade"), pattern));
    }

    void answerIsRememberedUntilSomethingChanges()
    {
        fakeProgram("echo 'ii tarno-upgrade'");
        PackageManager::clearCache();
        QVERIFY(PackageManager::isPackageInstalled(package, pattern));
        QVERIFY(PackageManager::isPackageInstalled(package, pattern));
        QCOMPARE(runs(bin()).count('\n'), 1);
        fakeProgram("echo 'rc tarno-upgrade'");
        QVERIFY(!PackageManager::isPackageInstalled(package, pattern));
        QCOMPARE(runs(bin()).count('\n'), 1);
        fakeProgram("kill -SEGV $$"); // a failed query is never remembered
        QVERIFY(!PackageManager::isPackageInstalled(package, pattern));
        QVERIFY(!PackageManager::isPackageInstalled(package, pattern));
        QCOMPARE(runs(bin()).count('\n'), 2);
        QFile::remove(bin() + QLatin1String("/dpkg-query"));
        QVERIFY(!PackageManager::isPackageInstalled(package, pattern));
    }

    void processCheckLooksAtArgvZero()
    {
        ZibAdmin::SystemdService self(QCoreApplication::arguments().constFirst());
        QVERIFY(self.isProcessRunning());
        QVERIFY(self.isProcessRunning()); // the remembered pid
        ZibAdmin::SystemdService nobody(QStringLiteral("/usr/sbin/tarno-update-service-absent"));
        QVERIFY(!nobody.isProcessRunning());
        // Without systemd on the (unreachable) bus the process table decides.
        bool active = false;
        self.checkActive([&](bool answer) { active = answer; });
        QTRY_VERIFY(active);
    }
};

ZIB_UNIT_MAIN(PlatformTest)
#include "tst_platform.moc"
