// One notifier per user: detection through the lock, messages through the per-user socket, and the
// hostile cases (garbage, floods, stale locks, other users, a frozen primary).
#include "SingleInstance.h"
#include "TestEnvironment.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHostInfo>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString id = QStringLiteral("zib-test-instance");

// Runs this binary in client mode; its exit code tells whether the message was acknowledged.
int sendFromChild(const QString& socketPath, const QString& message, const QStringList& prefix = {})
{
    QProcess child;
    QStringList arguments = prefix;
    if (arguments.isEmpty()) {
        arguments << QCoreApplication::applicationFilePath();
    }
    arguments << QStringLiteral("--client") << socketPath << message;
    const QString program = arguments.takeFirst();
    child.start(program, arguments);
    if (!child.waitForStarted(5000)) {
        return -1;
    }
    // The primary lives in this thread: keep its event loop running while the child sends.
    QSignalSpy finished(&child, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished));
    if (child.state() != QProcess::NotRunning && !finished.wait(10000)) {
        return -1;
    }
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
}

QByteArray frame(const QByteArray& magic, quint32 length, const QByteArray& payload)
{
    QByteArray bytes = magic;
    bytes.append(char(length >> 24)).append(char(length >> 16)).append(char(length >> 8)).append(char(length));
    return bytes + payload;
}
} // namespace

class SingleInstanceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qRegisterMetaType<QProcess::ExitStatus>(); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>(TestEnvironment::instance().root() + QLatin1String("/si-XXXXXX"));
        ::chmod(QFile::encodeName(m_dir->path()).constData(), 0700);
    }

    void firstIsPrimarySecondIsNot()
    {
        SingleInstance first(id, m_dir->path());
        QVERIFY(!first.isRunning());
        SingleInstance second(id, m_dir->path());
        QVERIFY(second.isRunning());
        // Another program has its own identity.
        SingleInstance other(QStringLiteral("another-program"), m_dir->path());
        QVERIFY(!other.isRunning());
    }

    void messageReachesThePrimary()
    {
        SingleInstance primary(id, m_dir->path());
        QSignalSpy received(&primary, &SingleInstance::messageReceived);
        const QString message = QStringLiteral("/usr/bin/zib-user-update-notifier|||--settings");
        QCOMPARE(sendFromChild(primary.socketPath(), message), 0);
        QCOMPARE(received.count(), 1);
        QCOMPARE(received.at(0).at(0).toString(), message);
    }

    void frozenPrimaryTimesOut()
    {
        SingleInstance primary(id, m_dir->path());
        SingleInstance second(id, m_dir->path());
        // The primary runs in this thread, so it cannot answer while we wait: a frozen primary.
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!second.sendMessage(QStringLiteral("x|||--settings"), 1000));
        QVERIFY(clock.elapsed() >= 900);
        QVERIFY(clock.elapsed() < 3000);
    }

    void primaryStartingLateStillGetsTheMessage()
    {
        const QString socketPath = m_dir->path() + QLatin1Char('/') + id + QLatin1String(".socket");
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
            {QStringLiteral("--client"), socketPath, QStringLiteral("late|||--settings")});
        QVERIFY(child.waitForStarted(5000));
        QTest::qSleep(300); // the sender is already retrying when the primary appears
        SingleInstance primary(id, m_dir->path());
        QSignalSpy received(&primary, &SingleInstance::messageReceived);
        QVERIFY(received.wait(5000));
        QTRY_COMPARE(child.state(), QProcess::NotRunning);
        QCOMPARE(child.exitCode(), 0);
    }

    void malformedAndHugeMessagesAreIgnored_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("wrong magic") << frame("HTTP", 4, "abcd");
        QTest::newRow("too long") << frame("ZIB1", SingleInstance::maxMessageBytes + 1, QByteArray(64, 'x'));
        QTest::newRow("length near 4 GiB") << frame("ZIB1", 0xffffffffu, "x");
        QTest::newRow("flood without header") << QByteArray(256 * 1024, '\xff');
    }

    void malformedAndHugeMessagesAreIgnored()
    {
        QFETCH(QByteArray, bytes);
        SingleInstance primary(id, m_dir->path());
        QSignalSpy received(&primary, &SingleInstance::messageReceived);

        QLocalSocket intruder;
        intruder.connectToServer(primary.socketPath());
        QVERIFY(intruder.waitForConnected(2000));
        QSignalSpy dropped(&intruder, &QLocalSocket::disconnected);
        intruder.write(bytes);
        QVERIFY(dropped.wait(5000));
        QCOMPARE(received.count(), 0);

        // The channel still works afterwards.
        QCOMPARE(sendFromChild(primary.socketPath(), QStringLiteral("ok")), 0);
        QCOMPARE(received.count(), 1);
    }

    void staleLockIsTakenOver()
    {
        // A primary that died with kill -9 leaves its lock and socket file behind.
        QProcess dead;
        dead.start(QStringLiteral("/bin/true"), {});
        QVERIFY(dead.waitForFinished(5000));
        const qint64 deadPid = dead.processId() > 0 ? dead.processId() : 999999;
        QFile lock(m_dir->path() + QLatin1Char('/') + id + QLatin1String(".lock"));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(
            QByteArray::number(deadPid) + "\nzib-user-update-notifier\n" + QHostInfo::localHostName().toUtf8() + "\n");
        lock.close();
        QFile socketLeftOver(m_dir->path() + QLatin1Char('/') + id + QLatin1String(".socket"));
        QVERIFY(socketLeftOver.open(QIODevice::WriteOnly));
        socketLeftOver.close();

        SingleInstance next(id, m_dir->path());
        QVERIFY(!next.isRunning());
        QSignalSpy received(&next, &SingleInstance::messageReceived);
        QCOMPARE(sendFromChild(next.socketPath(), QStringLiteral("hello")), 0);
        QCOMPARE(received.count(), 1);
    }

    void missingRuntimeDirectoryFallsBack()
    {
        // No usable runtime directory at all: neither XDG_RUNTIME_DIR nor Qt's own fallback under TMPDIR.
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        const QByteArray tmp = qgetenv("TMPDIR");
        const QString blocker = m_dir->path() + QLatin1String("/not-a-directory");
        QFile(blocker).open(QIODevice::WriteOnly);
        QFile(m_dir->path() + QLatin1String("/runtime-") + QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name))
            .open(QIODevice::WriteOnly);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(blocker));
        qputenv("TMPDIR", QFile::encodeName(m_dir->path()));
        const QRegularExpression qtComplains(QStringLiteral("QStandardPaths: "));
        {
            QTest::ignoreMessage(QtWarningMsg, qtComplains);
            QTest::ignoreMessage(QtWarningMsg, qtComplains);
            SingleInstance primary(id);
            QVERIFY(primary.socketPath().startsWith(m_dir->path() + QLatin1String("/zib-runtime-")));
            QTest::ignoreMessage(QtWarningMsg, qtComplains);
            QTest::ignoreMessage(QtWarningMsg, qtComplains);
            SingleInstance second(id);
            QVERIFY(second.isRunning());
        }

        // A fallback directory that others can enter is not trusted: run alone, reach nobody.
        const QString fallback = m_dir->path() + QStringLiteral("/zib-runtime-%1").arg(::geteuid());
        ::chmod(QFile::encodeName(fallback).constData(), 0755);
        QTest::ignoreMessage(QtWarningMsg, qtComplains);
        QTest::ignoreMessage(QtWarningMsg, qtComplains);
        SingleInstance unsafe(id);
        QVERIFY(unsafe.socketPath().isEmpty());
        QVERIFY(!unsafe.isRunning());

        qputenv("XDG_RUNTIME_DIR", runtime);
        qputenv("TMPDIR", tmp);
    }

    void otherUserCannotReachTheChannel()
    {
        const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        if (::geteuid() != 0 || setpriv.isEmpty()) {
            QSKIP("needs root and setpriv to act as a second user");
        }
        // Everything the other user needs lives outside our private test root.
        QTemporaryDir shared(QStringLiteral("/tmp/zib-si-shared-XXXXXX"));
        QVERIFY(shared.isValid());
        ::chmod(QFile::encodeName(shared.path()).constData(), 0755);
        const QString client = shared.path() + QLatin1String("/client");
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), client));
        ::chmod(QFile::encodeName(client).constData(), 0755);
        const QString channelDir = shared.path() + QLatin1String("/runtime");
        QVERIFY(QDir().mkdir(channelDir));
        ::chmod(QFile::encodeName(channelDir).constData(), 0700);

        SingleInstance primary(id, channelDir);
        QSignalSpy received(&primary, &SingleInstance::messageReceived);
        const QStringList asNobody {setpriv, QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
            QStringLiteral("--clear-groups"), client};
        // Exit code 1 is the client's own "not delivered"; anything else means it did not even run.
        QCOMPARE(sendFromChild(primary.socketPath(), QStringLiteral("x|||--settings"), asNobody), 1);

        // Even with the file system opened up, the primary checks who is calling.
        ::chmod(QFile::encodeName(channelDir).constData(), 0755);
        ::chmod(QFile::encodeName(primary.socketPath()).constData(), 0777);
        QCOMPARE(sendFromChild(primary.socketPath(), QStringLiteral("x|||--settings"), asNobody), 1);
        QCOMPARE(received.count(), 0);
        // The owner still gets through.
        QCOMPARE(sendFromChild(primary.socketPath(), QStringLiteral("mine")), 0);
        QCOMPARE(received.count(), 1);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

int main(int argc, char* argv[])
{
    if (argc == 4 && qstrcmp(argv[1], "--client") == 0) {
        QCoreApplication app(argc, argv);
        const bool delivered =
            SingleInstance::deliver(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), 4000);
        return delivered ? 0 : 1;
    }
    if (!TestEnvironment::instance().setUp()) {
        return 1;
    }
    QApplication app(argc, argv);
    SingleInstanceTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleinstance.moc"
