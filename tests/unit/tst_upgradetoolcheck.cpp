// The presence check of the upgrade tool drives the 10-s upgrade-file timer; the package query is a real
// process, here a fake dpkg-query first on PATH.
#include "FakeDpkg.h"
#include "NotifierCoreProbe.h"
#include "PackageManager.h"
#include "TestMain.h"

#include <QElapsedTimer>
#include <QLoggingCategory>

using ZibAdmin::PackageManager;

namespace {
const QString package = QStringLiteral("tarno-upgrade");
const QString pattern = QStringLiteral("ii\\s%1");
} // namespace

class UpgradeToolCheckTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        PackageManager::clearCache();
        QLoggingCategory::setFilterRules(QStringLiteral("zib.notifier.core.debug=true"));
    }

    void cleanup()
    {
        QLoggingCategory::setFilterRules(QString());
        FakeDpkg::set(FakeDpkg::Mode::Missing);
    }

    void timerFollowsThePackage()
    {
        QVERIFY(FakeDpkg::set(FakeDpkg::Mode::Removed));
        QTest::ignoreMessage(QtDebugMsg, "resetUpgradeInfo");
        NotifierCore core(false, nullptr);
        NotifierCoreProbe probe(&core);
        QVERIFY(!probe.upgradeFilesTimer());

        QVERIFY(FakeDpkg::set(FakeDpkg::Mode::Installed));
        probe.checkUpgradeTool();
        QTimer* timer = probe.upgradeFilesTimer();
        QVERIFY(timer);
        QCOMPARE(timer->interval(), 10000);
        QVERIFY(timer->isActive());
        QCOMPARE(timer->parent(), &core);

        // Still installed: a running timer keeps its phase.
        QTRY_VERIFY(timer->remainingTime() < 9900);
        probe.checkUpgradeTool();
        QVERIFY(timer->isActive());
        QVERIFY(timer->remainingTime() < 9900);

        QVERIFY(FakeDpkg::set(FakeDpkg::Mode::Removed));
        QTest::ignoreMessage(QtDebugMsg, "resetUpgradeInfo");
        probe.checkUpgradeTool();
        QCOMPARE(probe.upgradeFilesTimer(), timer);
        QVERIFY(!timer->isActive());

        QVERIFY(FakeDpkg::set(FakeDpkg::Mode::Installed));
        probe.checkUpgradeTool();
        QCOMPARE(probe.upgradeFilesTimer(), timer);
        QVERIFY(timer->isActive());
    }

    void queryAnswers_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("installed");
        QTest::newRow("installed") << int(FakeDpkg::Mode::Installed) << true;
        QTest::newRow("config files only") << int(FakeDpkg::Mode::Removed) << false;
        QTest::newRow("unknown package") << int(FakeDpkg::Mode::Failing) << false;
        QTest::newRow("crashing") << int(FakeDpkg::Mode::Crashing) << false;
        QTest::newRow("hanging") << int(FakeDpkg::Mode::Hanging) << false;
    }

    void queryAnswers()
    {
        QFETCH(int, mode);
        QFETCH(bool, installed);
        QVERIFY(FakeDpkg::set(FakeDpkg::Mode(mode)));
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(PackageManager::isPackageInstalled(package, pattern), installed);
        QVERIFY2(clock.elapsed() < 6000, "the query must be bounded by 5 s");
    }

    void missingProgramAnswersFalse()
    {
        QVERIFY(FakeDpkg::set(FakeDpkg::Mode::Missing));
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(TestEnvironment::instance().binDir()));
        const bool installed = PackageManager::isPackageInstalled(package, pattern);
        qputenv("PATH", path);
        QVERIFY(!installed);
    }

    void unchangedDatabaseCostsNoQuery()
    {
        QVERIFY(FakeDpkg::set(FakeDpkg::Mode::Installed));
        QVERIFY(PackageManager::isPackageInstalled(package, pattern));
        QVERIFY(PackageManager::isPackageInstalled(package, pattern));
        QCOMPARE(FakeDpkg::runCount(), 1);

        // A changed program (or database) is asked again: the query stays the source of truth.
        QVERIFY(FakeDpkg::set(FakeDpkg::Mode::Removed));
        QVERIFY(!PackageManager::isPackageInstalled(package, pattern));
        QCOMPARE(FakeDpkg::runCount(), 1);

        // A failed query is never remembered.
        QVERIFY(FakeDpkg::set(FakeDpkg::Mode::Crashing));
        QVERIFY(!PackageManager::isPackageInstalled(package, pattern));
        QVERIFY(!PackageManager::isPackageInstalled(package, pattern));
        QCOMPARE(FakeDpkg::runCount(), 2);
    }

    void packageNameIsMatchedLiterally()
    {
        QVERIFY(FakeDpkg::set(FakeDpkg::Mode::Installed));
        // "." in a name must not match any character.
        QVERIFY(!PackageManager::isPackageInstalled(QStringLiteral("tarno.upgrade"), pattern));
        QVERIFY(PackageManager::isPackageInstalled(package, pattern));
    }
};

ZIB_TEST_MAIN(UpgradeToolCheckTest)
#include "tst_upgradetoolcheck.moc"
