// Our stand-ins for the desktop libraries: start-up integration, help, message boxes, the release-upgrade
// switch, the reboot, the package query and the process check.
#include "PackageManager.h"
#include "SysRoot.h"
#include "SystemdService.h"
#include "UnitMain.h"
#include "ZibDesktop.h"
#include "zibintegration.h"

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

#include <optional>

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

    // Asks, and lets the event loop run until the answer comes; the loop never waits for dpkg-query.
    bool ask(PackageManager& manager, const QString& name)
    {
        std::optional<bool> answer;
        manager.isPackageInstalled(name, pattern, [&](bool installed) { answer = installed; });
        (void)QTest::qWaitFor([&] { return answer.has_value(); }, 5000);
        return answer.value_or(false);
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
        QTest::newRow("failing") << QByteArray("echo 'ii tarno-upgrade'; exit 2") << false;
        QTest::newRow("crashing") << QByteArray("kill -SEGV $$") << false;
        QTest::newRow("hanging") << QByteArray("exec sleep 60") << false;
    }
    void packageQuery()
    {
        QFETCH(QByteArray, body);
        fakeProgram(body);
        PackageManager manager(300);
        QTEST(ask(manager, package), "installed");
        // "." in a name must not match any character.
        QVERIFY(!ask(manager, QStringLiteral("tarno.upgrade")));
    }

    void answerIsRememberedUntilSomethingChanges()
    {
        fakeProgram("echo 'ii tarno-upgrade'");
        PackageManager manager;
        QVERIFY(ask(manager, package));
        bool answeredAtOnce = false;
        manager.isPackageInstalled(package, pattern, [&](bool installed) { answeredAtOnce = installed; });
        QVERIFY(answeredAtOnce);
        QCOMPARE(runs(bin()).count('\n'), 1);
        fakeProgram("echo 'rc tarno-upgrade'");
        QVERIFY(!ask(manager, package));
        QCOMPARE(runs(bin()).count('\n'), 1);
        fakeProgram("kill -SEGV $$"); // a failed query is never remembered
        QVERIFY(!ask(manager, package));
        QVERIFY(!ask(manager, package));
        QCOMPARE(runs(bin()).count('\n'), 2);
        QFile::remove(bin() + QLatin1String("/dpkg-query"));
        QVERIFY(!ask(manager, package));
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
