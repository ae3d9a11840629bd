// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

// Our stand-ins for the desktop libraries: start-up integration, help, message boxes, the reboot, the
// package query and the process check.
#include "PackageManager.h"
#include "SysRoot.h"
#include "SystemdService.h"
#include "UnitMain.h"
#include "ZibDesktop.h"
#include "ZibHelpMenu.h"
#include "zibintegration.h"

#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>

#include <optional>

class PlatformTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    const QString package = QStringLiteral("tarno-upgrade");
    const QString pattern = QStringLiteral("ii\\s%1");
    ZibHelpMenu helpMenu;
    QStringList urls; // the addresses opened, in order; files as paths
    QString bin() const { return dir.filePath(QStringLiteral("bin")); }

    // A program that notes its argument count and first argument in "runs" beside it (by default the
    // dpkg-query first on PATH); replaced atomically, as an upgrade would.
    void fakeProgram(const QByteArray& body, QString path = {}, QFile::Permissions exe = QFile::ExeOwner)
    {
        path = path.isEmpty() ? bin() + QLatin1String("/dpkg-query") : path;
        QSaveFile script(path);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()) && script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho \"$#:$1\" >> \"$(dirname \"$0\")/runs\"\n" + body + "\n");
        QVERIFY(script.commit() && QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | exe));
        QFile::remove(QFileInfo(path).path() + QLatin1String("/runs"));
    }
    static QByteArray runs(const QString& dir)
    {
        QFile file(dir + QLatin1String("/runs"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Asks, and lets the event loop run until the answer comes; the loop never waits for dpkg-query. No
    // answer at all throws, which fails the test.
    bool ask(ZibAdmin::PackageManager& manager, const QString& name)
    {
        std::optional<bool> answer;
        manager.isPackageInstalled(name, pattern, [&](bool installed) { answer = installed; });
        (void)QTest::qWaitFor([&] { return answer.has_value(); }, 5000);
        return answer.value();
    }

public Q_SLOTS:
    void open(const QUrl& url) { urls.append(url.toDisplayString(QUrl::PreferLocalFile)); }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("PATH", QFile::encodeName(bin()) + ":/usr/bin:/bin");
        const QString data = dir.filePath(QStringLiteral("data/zib-user-update-notifier"));
        QDir().mkpath(data + QLatin1String("/doc/de"));
        for (const QString& page : {QStringLiteral("/doc/index.html"), QStringLiteral("/doc/de/index.html")}) {
            QVERIFY(QFile::copy(QStringLiteral(ZIB_SOURCE_DIR "/resources") + page, data + page));
        }
        qputenv("XDG_DATA_DIRS", QFile::encodeName(dir.filePath(QStringLiteral("data"))));
    }

    // The help viewer first, and only it; without one (offscreen has none) the installed manual, in German
    // for German users when it is there.
    void helpFallsBackToTheManual()
    {
        QDesktopServices::setUrlHandler(QStringLiteral("help"), this, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open");
        zibHelpShow(QStringLiteral("settings"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("help"));
        helpMenu.actions().at(0)->trigger(); // "Help"
        QLocale::setDefault(QLocale(QStringLiteral("de_AT")));
        zibHelpShow(QString());
        const QString manual = dir.filePath(QStringLiteral("data/zib-user-update-notifier/doc/"));
        QFile::remove(manual + QLatin1String("de/index.html"));
        zibHelpShow(QString()); // not installed: the English page
        QLocale::setDefault(QLocale::c());
        QCOMPARE(urls,
            (QStringList {QStringLiteral("help:zib-user-update-notifier/settings"),
                manual + QLatin1String("index.html"), manual + QLatin1String("de/index.html"),
                manual + QLatin1String("index.html")}));
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
        QVERIFY(box && !box->parentWidget());
        QCOMPARE(box->icon(), QMessageBox::Warning);
        QCOMPARE(box->windowTitle(), QStringLiteral("Unsuccessful update attempt"));
        QCOMPARE(box->text(), QStringLiteral("why"));
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
        QTest::addColumn<QByteArray>("body"); // empty: not executable
        QTest::addColumn<bool>("ok");
        QTest::newRow("reboots") << QByteArray("exit 0") << true;
        QTest::newRow("fails") << QByteArray("exit 1") << false;
        QTest::newRow("crashes") << QByteArray("kill -SEGV $$") << false;
        QTest::newRow("cannot start") << QByteArray() << false;
    }
    void reboot()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, ok);
        const QString program = SysRoot::path(QStringLiteral("/usr/bin/zib-wmfunc"));
        fakeProgram(body, program, body.isEmpty() ? QFile::Permissions() : QFile::ExeOwner);
        if (!ok) {
            QTest::ignoreMessage(
                QtWarningMsg, QRegularExpression(QStringLiteral("^reboot: .*/usr/bin/zib-wmfunc ZIBWM_REBOOT .+")));
        }
        ZibDesktop desktop;
        std::optional<bool> done;
        desktop.reboot([&](bool result) { done = result; });
        QTRY_VERIFY(done);
        QCOMPARE(*done, ok);
        QCOMPARE(runs(QFileInfo(program).path()), body.isEmpty() ? QByteArray() : QByteArray("1:ZIBWM_REBOOT\n"));
    }

    // An answer is remembered until the program or the package database changes; a crash or a time-out
    // answers "not installed", whatever the query printed, and is never remembered.
    void packageQueryAndItsMemory()
    {
        ZibAdmin::PackageManager manager(300);
        fakeProgram("echo 'ii tarno-upgrade'");
        QVERIFY(!ask(manager, QStringLiteral("tarno.upgrade"))); // "." matches only itself
        QVERIFY(ask(manager, package));
        QVERIFY(ask(manager, package));
        QCOMPARE(runs(bin()).count('\n'), 2);
        fakeProgram("echo 'rc tarno-upgrade'");
        QVERIFY(!ask(manager, package));
        for (const char* failure : {"exit 2", "kill -SEGV $$", "exec sleep 60"}) { // never remembered
            fakeProgram(QByteArray("echo 'ii tarno-upgrade'; ") + failure);
            QVERIFY(!ask(manager, package));
            QVERIFY(!ask(manager, package));
            QCOMPARE(runs(bin()).count('\n'), 2);
        }
        QFile::remove(bin() + QLatin1String("/dpkg-query"));
        QVERIFY(!ask(manager, package));
    }

    // Without systemd on the (unreachable) bus the process table decides, by the first argument; a process
    // found once is looked at again.
    void processCheckLooksAtArgvZero()
    {
        const QString path = dir.filePath(QStringLiteral("tarno-update-service"));
        QVERIFY(QFile::copy(QStringLiteral("/bin/sleep"), path));
        QProcess service;
        service.start(path, {QStringLiteral("60")});
        QVERIFY(service.waitForStarted());
        ZibAdmin::SystemdService presence(path);
        bool active = false;
        presence.checkActive([&](bool answer) { active = answer; });
        QVERIFY(active);
        QVERIFY(!ZibAdmin::SystemdService(path + QLatin1String("-absent")).isProcessRunning());
        service.kill();
        QVERIFY(service.waitForFinished());
        QVERIFY(!presence.isProcessRunning());
    }
};

ZIB_UNIT_MAIN(PlatformTest)
#include "tst_platform.moc"
