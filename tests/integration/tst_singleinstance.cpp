// The single-instance channel between real processes, against the peers that break it: a primary that
// comes late, freezes or crashes, garbage on the socket, another user, no runtime directory.
#include "SingleInstance.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <pwd.h>
#include <sys/stat.h>

namespace {
const QString id = QStringLiteral("zib-test-instance");

QByteArray frame(const QByteArray& magic, quint32 length, const QByteArray& payload)
{
    QByteArray header = magic;
    QDataStream(&header, QIODevice::Append) << length; // big-endian
    return header + payload;
}

// This binary as a "--client" or "--primary" (see main), or `command` (e.g. setpriv ... binary) as one.
void startHelper(QProcess& helper, const QStringList& arguments, QStringList command = {})
{
    if (command.isEmpty()) {
        command.append(QCoreApplication::applicationFilePath());
    }
    command += arguments;
    helper.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    helper.start(command.takeFirst(), command);
}

// Both wait with the event loop running, so that a primary in this process can answer meanwhile.
bool waitForLine(QProcess& helper, const QByteArray& line)
{
    while (!helper.canReadLine()) {
        if (!QSignalSpy(&helper, &QProcess::readyReadStandardOutput).wait(10000)) {
            return false;
        }
    }
    return helper.readLine() == line + '\n';
}

// A client's exit code: 0 delivered, 3 not; -1 when it did not end normally.
int finish(QProcess& client)
{
    QSignalSpy finished(&client, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished));
    const bool ended = client.state() == QProcess::NotRunning || finished.wait(10000);
    return ended && client.exitStatus() == QProcess::NormalExit ? client.exitCode() : -1;
}

// `mode` "--client" delivers the message, "--ask" asks it as a question.
int send(const QString& socketPath, const QString& message, const QStringList& command = {},
    const QString& mode = QStringLiteral("--client"))
{
    QProcess client;
    startHelper(client, {mode, socketPath, message}, command);
    return client.waitForStarted(5000) ? finish(client) : -1;
}
} // namespace

class SingleInstanceTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    const QByteArray m_runtimeDir = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray m_tmpDir = qgetenv("TMPDIR");

private Q_SLOTS:
    void initTestCase() { qRegisterMetaType<QProcess::ExitStatus>(); }
    void init() { m_dir = std::make_unique<QTemporaryDir>(); } // private (0700), as a runtime directory is
    void cleanup()
    {
        qputenv("XDG_RUNTIME_DIR", m_runtimeDir);
        qputenv("TMPDIR", m_tmpDir);
    }

    void latePrimaryGetsTheMessage()
    {
        const QString message = QStringLiteral("/usr/bin/zib-user-update-notifier|||--settings");
        QProcess client;
        startHelper(client, {QStringLiteral("--client"), m_dir->filePath(id + QLatin1String(".socket")), message});
        // The client tries before anyone listens, and keeps trying until its time is up.
        QVERIFY(waitForLine(client, "sending"));
        SingleInstance primary(id, m_dir->path());
        QVERIFY(!primary.isRunning());
        QSignalSpy received(&primary, &SingleInstance::messageReceived);
        QCOMPARE(finish(client), 0);
        QCOMPARE(received.count(), 1);
        QCOMPARE(received.at(0).at(0).toString(), message);
    }

    void frozenThenCrashedPrimary()
    {
        QProcess primary;
        startHelper(primary, {QStringLiteral("--primary"), m_dir->path()});
        QVERIFY(waitForLine(primary, "ready"));
        SingleInstance second(id, m_dir->path());
        QVERIFY(second.isRunning());

        // A frozen primary accepts the connection but never answers: the sender gives up at its timeout.
        QVERIFY(::kill(pid_t(primary.processId()), SIGSTOP) == 0);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!second.sendMessage(QStringLiteral("x|||--settings"), 1000));
        QVERIFY2(clock.elapsed() >= 900 && clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));

        // kill -9 leaves its lock and socket files behind; the next start takes over at once.
        primary.kill();
        QVERIFY(primary.waitForFinished(5000));
        SingleInstance next(id, m_dir->path());
        QVERIFY(!next.isRunning());
        QSignalSpy received(&next, &SingleInstance::messageReceived);
        QCOMPARE(send(next.socketPath(), QStringLiteral("hello")), 0);
        QCOMPARE(received.count(), 1);
    }

    void hostileClient_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("dropped");
        QTest::newRow("wrong magic") << frame("HTTP", 4, "abcd") << true;
        QTest::newRow("too long") << frame("ZIB1", SingleInstance::maxMessageBytes + 1, QByteArray(64, 'x')) << true;
        QTest::newRow("length near 4 GiB") << frame("ZIB1", 0xffffffffu, "x") << true;
        QTest::newRow("flood without header") << QByteArray(256 * 1024, '\xff') << true;
        QTest::newRow("half a frame, held open") << frame("ZIB1", 100, "abc") << false;
    }

    void hostileClient()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, dropped);
        SingleInstance primary(id, m_dir->path());
        QSignalSpy received(&primary, &SingleInstance::messageReceived);
        QLocalSocket intruder;
        intruder.connectToServer(primary.socketPath());
        QVERIFY(intruder.waitForConnected(2000));
        QSignalSpy gone(&intruder, &QLocalSocket::disconnected);
        intruder.write(bytes);
        if (dropped) {
            QVERIFY(gone.wait(5000));
        }
        // Nothing gets through from it, and nobody else is locked out.
        QCOMPARE(send(primary.socketPath(), QStringLiteral("ok")), 0);
        QCOMPARE(received.count(), 1);
        QCOMPARE(received.at(0).at(0).toString(), QStringLiteral("ok"));
    }

    void otherUserIsRefused()
    {
        const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        if (::geteuid() != 0 || setpriv.isEmpty()) {
            QSKIP("needs root and setpriv to act as a second user");
        }
        // The file system lets the other user in (a copy of this binary, an open directory and socket):
        // only the primary's check of its peer can refuse.
        QTemporaryDir shared;
        const QString client = shared.filePath(QStringLiteral("client"));
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), client));
        SingleInstance primary(id, shared.path());
        for (const QString& path : {shared.path(), client, primary.socketPath()}) {
            QVERIFY(::chmod(QFile::encodeName(path).constData(), 0777) == 0);
        }
        QSignalSpy received(&primary, &SingleInstance::messageReceived);
        primary.setQueryHandler([](const QString&) { return QStringLiteral("state: UpdateReady"); });
        const QStringList asNobody {setpriv, QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
            QStringLiteral("--clear-groups"), client};
        QCOMPARE(send(primary.socketPath(), QStringLiteral("x|||--settings"), asNobody), 3);
        QCOMPARE(received.count(), 0);
        // Nor does the other user learn the status; the same user does.
        QCOMPARE(send(primary.socketPath(), QStringLiteral("status"), asNobody, QStringLiteral("--ask")), 3);
        QCOMPARE(send(primary.socketPath(), QStringLiteral("status"), {}, QStringLiteral("--ask")), 0);
    }

    void missingRuntimeDirectory()
    {
        // Qt makes a runtime directory of its own under TMPDIR; files in the way of both leave it none.
        const QString user = QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name);
        for (const QString& blocker : {QStringLiteral("not-a-directory"), QLatin1String("runtime-") + user}) {
            QVERIFY(QFile(m_dir->filePath(blocker)).open(QIODevice::WriteOnly));
        }
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_dir->filePath(QStringLiteral("not-a-directory"))));
        qputenv("TMPDIR", QFile::encodeName(m_dir->path()));
        const QString fallback = m_dir->filePath(QStringLiteral("zib-runtime-%1").arg(::geteuid()));
        {
            SingleInstance first(id);
            QCOMPARE(first.socketPath(), fallback + QLatin1Char('/') + id + QLatin1String(".socket"));
            QVERIFY(!first.isRunning());
            QVERIFY(SingleInstance(id).isRunning());
        }
        // A fallback that others can enter is not trusted: a start runs alone, reaching nobody.
        QVERIFY(::chmod(QFile::encodeName(fallback).constData(), 0755) == 0);
        SingleInstance alone(id);
        QVERIFY(alone.socketPath().isEmpty());
        QVERIFY(!alone.isRunning());
    }
};

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--client") == 0) {
        std::puts("sending");
        std::fflush(stdout);
        return SingleInstance::deliver(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), 4000) ? 0 : 3;
    }
    if (argc == 4 && qstrcmp(argv[1], "--ask") == 0) {
        const std::optional<QString> answer =
            SingleInstance::query(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), 4000);
        return answer == QStringLiteral("state: UpdateReady") ? 0 : 3;
    }
    if (argc == 3 && qstrcmp(argv[1], "--primary") == 0) {
        SingleInstance primary(id, QString::fromLocal8Bit(argv[2]));
        std::puts(primary.isRunning() ? "running" : "ready");
        std::fflush(stdout);
        return QCoreApplication::exec();
    }
    SingleInstanceTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleinstance.moc"
