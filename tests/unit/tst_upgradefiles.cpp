// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

// The release-upgrade tool's files: what a report and a configuration say, hostile files included,
// and how the watched report drives the state.
#include "Fakes.h"
#include "ServiceClient.h"
#include "SysRoot.h"
#include "UnitMain.h"
#include "UpgradeFiles.h"
#include "UpgradeReport.h"

#include <QDir>
#include <QSignalSpy>

#include <sys/stat.h>

namespace {
QString sysPath(const QString& path)
{
    return SysRoot::path(path);
}

const QString reportPath = QStringLiteral("/var/cache/tarno-upgrade/upgrade.report.yaml");
const QString configPath = QStringLiteral("/usr/share/tarno-upgrade/target.conf.yaml");
} // namespace

class UpgradeFilesTest : public QObject
{
    Q_OBJECT

    FakeClock clock;
    FakeUpdateService service;
    FakePresence presence;

private Q_SLOTS:
    void init() { QDir(SysRoot::root()).removeRecursively(); }

    void report_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QDateTime>("end");
        const QDateTime nineThirty(QDate(2025, 3, 15), QTime(9, 30));
        QTest::newRow("ready") << QByteArray("upgrade_mode: ready\nt_end: 09:30 15.03.2025\n") << 1 << nineThirty;
        QTest::newRow("activated") << QByteArray("upgrade_mode: activated\n") << 2 << QDateTime();
        QTest::newRow("forced") << QByteArray("upgrade_mode: forced\nt_end: 9:30 15.03.2025\n") << 3 << QDateTime();
        QTest::newRow("Forced") << QByteArray("upgrade_mode: Forced\n") << 0 << QDateTime();
        QTest::newRow("no mode") << QByteArray("t_end: 09:30 15.03.2025\n") << -1 << nineThirty;
        QTest::newRow("not YAML") << QByteArray("upgrade_mode: [ready\n: :") << -1 << QDateTime();
        QTest::newRow("mode a sequence") << QByteArray("upgrade_mode: [ready]\n") << -1 << QDateTime();
        QTest::newRow("mode empty") << QByteArray("upgrade_mode:\n") << -1 << QDateTime();
        QTest::newRow("20 MB") << QByteArray("upgrade_mode: ready\n#") + QByteArray(20 << 20, 'x') << -1 << QDateTime();
    }
    void report()
    {
        QFETCH(QByteArray, content);
        QVERIFY(writeSysFile(reportPath, content));
        const UpgradeReport::Report read = UpgradeReport::readReport(sysPath(reportPath));
        QTEST(int(read.mode), "mode");
        QTEST(read.end, "end");
    }

    void unusualPlaces()
    {
        LogLines log;
        QCOMPARE(UpgradeReport::readReport(sysPath(reportPath)).mode, UpgradeReport::Mode::Missing); // missing
        QDir().mkpath(sysPath(reportPath)); // a directory
        QCOMPARE(UpgradeReport::readReport(sysPath(reportPath)).mode, UpgradeReport::Mode::Missing);
        QDir().rmdir(sysPath(reportPath));
        QVERIFY(::mkfifo(QFile::encodeName(sysPath(reportPath)).constData(), 0600) == 0); // would block a reader
        QCOMPARE(UpgradeReport::readReport(sysPath(reportPath)).mode, UpgradeReport::Mode::Missing);
        QFile::remove(sysPath(reportPath));
        QVERIFY(writeSysFile(reportPath, "upgrade_mode: ready\n"));
        QCOMPARE(UpgradeReport::readReport(sysPath(reportPath)).mode, UpgradeReport::Mode::Ready);
        // Once when the problem starts (a folder, then a FIFO), with the path and why; once when it ends.
        QCOMPARE(log.lines,
            (QStringList {
                QStringLiteral("zib.notifier.files: %1 is ignored: not a regular file").arg(sysPath(reportPath)),
                QStringLiteral("zib.notifier.files: %1 is readable again").arg(sysPath(reportPath))}));
    }

    void targetRelease_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("release");
        QTest::newRow("named") << QByteArray("upgrade:\n  target_release: \"4.0\"\n") << "4.0";
        QTest::newRow("upgrade not a mapping") << QByteArray("upgrade: 4.0\n") << QString();
    }
    void targetRelease()
    {
        QFETCH(QByteArray, content);
        QVERIFY(writeSysFile(configPath, content));
        QTEST(UpgradeReport::readTargetRelease(sysPath(configPath)), "release");
    }

    void reportDrivesTheState()
    {
        ServiceClient client(service, presence, clock, nullptr);
        UpgradeFiles files(client, clock, nullptr);
        QSignalSpy read(&files, &UpgradeFiles::stateRead);
        QVERIFY(writeSysFile(configPath, "upgrade:\n  target_release: '4.0'\n"));
        QVERIFY(writeSysFile(reportPath, "upgrade_mode: activated\nt_end: 09:30 15.03.2030\n"));

        files.check(); // not connected: only the release is read
        QCOMPARE(files.targetRelease(), QStringLiteral("4.0"));
        QVERIFY(read.isEmpty());
        QVERIFY(service.calls.isEmpty());

        client.start();
        clock.advance(3); // the first poll
        service.calls.clear();
        files.check();
        QVERIFY(files.isOutside());
        QCOMPARE(service.calls, QStringList {QStringLiteral("setStateFromOutside 3")});
        files.check(); // nothing changed: the same state, no date change
        QCOMPARE(read.size(), 2);
        QCOMPARE(read[0][1].toBool(), true);
        QCOMPARE(read[1][1].toBool(), false);

        QFile::remove(sysPath(reportPath)); // the watcher sees it before the next pass
        QVERIFY(read.wait(5000));
        QCOMPARE(read.constLast()[0].value<State>(), State::UpdateUnavailable);
    }

    void refusedOutsideStateIsAskedAgain()
    {
        ServiceClient client(service, presence, clock, nullptr);
        UpgradeFiles files(client, clock, nullptr);
        client.start();
        clock.advance(3); // the first poll
        QVERIFY(writeSysFile(reportPath, "upgrade_mode: ready\n"));
        service.script[QStringLiteral("setStateFromOutside")] = {QVariant()};
        QSignalSpy read(&files, &UpgradeFiles::stateRead);
        files.check();
        QVERIFY(!files.isOutside());
        QCOMPARE(read.size(), 1); // the report is applied all the same
        files.check();
        QVERIFY(files.isOutside());
    }
};

ZIB_UNIT_MAIN(UpgradeFilesTest)
#include "tst_upgradefiles.moc"
