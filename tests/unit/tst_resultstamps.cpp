// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

// What the last reboot left behind: the result stamps' messages and the installed version.
#include "Fakes.h"
#include "ResultStamps.h"
#include "SysRoot.h"
#include "UnitMain.h"
#include "VersionFile.h"

#include <QDir>
#include <QFileInfo>

#include <memory>

#include <sys/stat.h>

namespace {
const QString updateSuccessStamp = QStringLiteral("/var/cache/tarno-update-service/successful");
const QString updateFailureStamp = QStringLiteral("/var/cache/tarno-update-service/unsuccessful");
const QString upgradeAbortedStamp = QStringLiteral("/var/cache/tarno-upgrade/upgrade_aborted");
const QString upgradeSuccessStamp = QStringLiteral("/var/cache/tarno-upgrade/successful");
QList<int> kinds(const QList<ResultStamp>& stamps)
{
    QList<int> numbers;
    for (const ResultStamp stamp : stamps) {
        numbers << int(stamp);
    }
    return numbers;
}
const QString failed = QStringLiteral("Unsuccessful update attempt");
const QString upgraded = QStringLiteral("The system was upgraded,\ncurrent version is 3.1.19");
const QString errors =
    QStringLiteral("The system wasn't upgraded due some errors,\nplease contact the system administrator");
const QString during = QStringLiteral(
    "The system wasn't upgraded due\nsome errors during the update process,\nplease contact the system administrator");
} // namespace

class ResultStampsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QDir(SysRoot::root()).removeRecursively(); }

    void updateStamps_data()
    {
        QTest::addColumn<QByteArray>("reason");
        QTest::addColumn<bool>("success");
        QTest::addColumn<QString>("text");
        QTest::newRow("both: only the success") << QByteArray("1") << true << upgraded;
        QTest::newRow("cancelled") << QByteArray("0\n") << false
                                   << "The system update was cancelled before the start,\nplease contact the system "
                                      "administrator";
        QTest::newRow("errors during") << QByteArray("1") << false << during;
        QTest::newRow("ten reads as one") << QByteArray("10") << false << during;
        QTest::newRow("empty") << QByteArray() << false << errors;
    }
    void updateStamps()
    {
        QFETCH(QByteArray, reason);
        QFETCH(bool, success);
        QVERIFY(writeSysFile(updateFailureStamp, reason));
        if (success) {
            QVERIFY(writeSysFile(updateSuccessStamp, QByteArray()));
        }
        const QList<ResultStamps::Message> messages = ResultStamps::pending(QStringLiteral("3.1.19"));
        QCOMPARE(messages.size(), 1);
        QCOMPARE(kinds(messages[0].kinds), (success ? QList<int> {1, 0} : QList<int> {0})); // no stale failure left
        QCOMPARE(messages[0].warning, !success);
        QCOMPARE(messages[0].title, success ? QStringLiteral("Successfull upgrade") : failed);
        QTEST(messages[0].text, "text");
    }

    // One box after another; each stamp's removal is asked for once its box is closed, and not at all
    // when the program ends with the box open.
    void boxesOneAfterAnother()
    {
        for (const QString& stamp :
            {updateSuccessStamp, updateFailureStamp, upgradeSuccessStamp, upgradeAbortedStamp}) {
            QVERIFY(writeSysFile(stamp, QByteArray()));
        }
        FakeDesktop desktop;
        auto owner = std::make_unique<QObject>();
        QList<int> removed;
        ResultStamps::tell(
            desktop, QStringLiteral("3.1.19"), owner.get(), [&](ResultStamp kind) { removed << int(kind); });
        QCOMPARE(desktop.openBoxes.size(), 1);
        QVERIFY(removed.isEmpty());
        desktop.closeBox();
        QCOMPARE(removed, (QList<int> {1, 0}));
        desktop.closeBox();
        owner.reset();
        desktop.closeBox();
        QCOMPARE(removed, (QList<int> {1, 0, 2}));
        const QStringList success {QStringLiteral("information"), QStringLiteral("Successfull upgrade"), upgraded};
        QCOMPARE(
            desktop.messages, (QList<QStringList> {success, {QStringLiteral("warning"), failed, errors}, success}));
    }

    void version_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("version");
        QTest::newRow("blanks and more lines") << QByteArray("  1.8.1 \t\nsecond line\n") << "1.8.1";
        QTest::newRow("a NUL") << QByteArray("1.8\0garbage\n", 12) << "1.8";
        QTest::newRow("64 MB without a line end") << QByteArray(64 << 20, '7') << QString(4096, QLatin1Char('7'));
    }
    void version()
    {
        QFETCH(QByteArray, content);
        QVERIFY(writeSysFile(QStringLiteral("/etc/tarno_version"), content));
        QTEST(readSystemVersion(), "version");
    }

    // Other programs' files: only regular ones are opened, so a FIFO in their place never blocks.
    void unusualFiles()
    {
        for (const QString& file : {QStringLiteral("/etc/tarno_version"), updateFailureStamp}) {
            QVERIFY(QDir().mkpath(QFileInfo(SysRoot::path(file)).path()));
            QVERIFY(::mkfifo(QFile::encodeName(SysRoot::path(file)).constData(), 0600) == 0);
        }
        QVERIFY(readSystemVersion().isNull());
        QCOMPARE(ResultStamps::pending(QString()).value(0).text, errors);
    }
};

ZIB_UNIT_MAIN(ResultStampsTest)
#include "tst_resultstamps.moc"
