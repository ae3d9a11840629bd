// Our stand-ins for the desktop libraries: start-up integration, help, the package query and the
// process check.
#include "PackageManager.h"
#include "SystemdService.h"
#include "UnitMain.h"
#include "zibintegration.h"

#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
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

    // A dpkg-query first on PATH that counts its runs; replaced atomically, as an upgrade would.
    void fakeDpkg(const QByteArray& body)
    {
        const QString tmp = dir.filePath(QStringLiteral("dpkg-query.new"));
        QFile script(tmp);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho run >> \"$(dirname \"$0\")/runs\"\n" + body + "\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(::rename(QFile::encodeName(tmp).constData(),
                    QFile::encodeName(bin() + QLatin1String("/dpkg-query")).constData()) == 0);
        QFile::remove(bin() + QLatin1String("/runs"));
    }
    // Asks, and lets the event loop run until the answer comes; the loop never waits for dpkg-query.
    bool ask(PackageManager& manager, const QString& name)
    {
        std::optional<bool> answer;
        int turns = 0;
        manager.isPackageInstalled(name, pattern, [&](bool installed) { answer = installed; });
        while (!answer && ++turns < 500) {
            QTest::qWait(10);
        }
        return answer.value_or(false);
    }
    int runs() const
    {
        QFile file(bin() + QLatin1String("/runs"));
        return file.open(QIODevice::ReadOnly) ? file.readAll().count('\n') : 0;
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
        fakeDpkg(body);
        PackageManager manager(300);
        QTEST(ask(manager, package), "installed");
        // "." in a name must not match any character.
        QVERIFY(!ask(manager, QStringLiteral("tarno.upgrade")));
    }

    void answerIsRememberedUntilSomethingChanges()
    {
        fakeDpkg("echo 'ii tarno-upgrade'");
        PackageManager manager;
        QVERIFY(ask(manager, package));
        bool answeredAtOnce = false;
        manager.isPackageInstalled(package, pattern, [&](bool installed) { answeredAtOnce = installed; });
        QVERIFY(answeredAtOnce);
        QCOMPARE(runs(), 1);
        fakeDpkg("echo 'rc tarno-upgrade'");
        QVERIFY(!ask(manager, package));
        QCOMPARE(runs(), 1);
        fakeDpkg("kill -SEGV $$"); // a failed query is never remembered
        QVERIFY(!ask(manager, package));
        QVERIFY(!ask(manager, package));
        QCOMPARE(runs(), 2);
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
