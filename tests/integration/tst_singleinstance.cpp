// The single-instance channel between real processes, against the peers that break it: a primary that
// comes late, freezes or crashes, garbage on the socket, another user, no runtime directory, and a
// status question asked while the notifier starts.
#include "QtSingleApplication.h"

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
// What QtSingleApplication names this binary, so that a helper's application meets the tests' primaries.
const QString id = QStringLiteral("tst_singleinstance");

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

// The channel's warnings, as a helpdesk finds them in the journal.
QStringList desktopWarnings;
QtMessageHandler testLog = nullptr;
void recordWarning(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && qstrcmp(context.category, "zib.notifier.desktop") == 0) {
        desktopWarnings.append(message);
    }
    testLog(type, context, message);
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
    void initTestCase()
    {
        qRegisterMetaType<QProcess::ExitStatus>();
        testLog = qInstallMessageHandler(recordWarning); // over the test library's own
    }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>(); // private (0700), as a runtime directory is
        desktopWarnings.clear();
    }
    void cleanup()
    {
        qputenv("XDG_RUNTIME_DIR", m_runtimeDir);
        qputenv("TMPDIR", m_tmpDir);
    }

    // Both start before the primary. The message waits for it. The status question takes no part in the
    // single-instance check, so the notifier starting meanwhile still becomes the primary, and answers.
    void clientsBeforeThePrimary()
    {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_dir->path()));
        QProcess status;
        startHelper(status, {QStringLiteral("--status")});
        QVERIFY(waitForLine(status, "started"));
        const QString message = QStringLiteral("/usr/bin/zib-user-update-notifier|||--settings");
        QProcess client;
        startHelper(client, {QStringLiteral("--client"), m_dir->filePath(id + QLatin1String(".socket")), message});
        // The client tries before anyone listens, and keeps trying until its time is up.
        QVERIFY(waitForLine(client, "sending"));
        SingleInstance primary(id, m_dir->path());
        QVERIFY(!primary.isRunning());
        QSignalSpy received(&primary, &SingleInstance::messageReceived);
        primary.setQueryHandler([](const QString&) { return QStringLiteral("state: UpdateReady"); });
        QCOMPARE(finish(client), 0);
        QCOMPARE(received.count(), 1);
        QCOMPARE(received.at(0).at(0).toString(), message);
        status.write("\n");
        QCOMPARE(finish(status), 0);
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
        QTest::addColumn<QString>("why"); // in the primary's one warning; empty: not dropped, no warning
        QTest::newRow("wrong magic") << frame("HTTP", 4, "abcd") << "unknown frame header 48545450";
        QTest::newRow("too long") << frame("ZIB1", SingleInstance::maxMessageBytes + 1, QByteArray(64, 'x'))
                                  << "announces 65537 bytes";
        QTest::newRow("length near 4 GiB") << frame("ZIBQ", 0xffffffffu, "x") << "announces 4294967295 bytes";
        QTest::newRow("flood without header") << QByteArray(256 * 1024, '\xff') << "unknown frame header ffffffff";
        QTest::newRow("half a frame, held open") << frame("ZIB1", 100, "abc") << "";
    }

    void hostileClient()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, why);
        SingleInstance primary(id, m_dir->path());
        QVERIFY(!primary.isRunning());
        QSignalSpy received(&primary, &SingleInstance::messageReceived);
        QLocalSocket intruder;
        intruder.connectToServer(primary.socketPath());
        QVERIFY(intruder.waitForConnected(2000));
        QSignalSpy gone(&intruder, &QLocalSocket::disconnected);
        intruder.write(bytes);
        if (!why.isEmpty()) {
            QVERIFY(gone.wait(5000));
        }
        // Nothing gets through from it, and nobody else is locked out.
        QCOMPARE(send(primary.socketPath(), QStringLiteral("ok")), 0);
        QCOMPARE(received.count(), 1);
        QCOMPARE(received.at(0).at(0).toString(), QStringLiteral("ok"));
        // One line says why; the good peer leaves none.
        QCOMPARE(desktopWarnings.size(), why.isEmpty() ? 0 : 1);
        QVERIFY2(desktopWarnings.value(0).contains(why), qPrintable(desktopWarnings.value(0)));
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
        QVERIFY(!primary.isRunning());
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
        QCOMPARE(desktopWarnings.filter(QStringLiteral("it runs as user 65534")).size(), 2);
        QCOMPARE(desktopWarnings.size(), 2);
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
    // As "--status" runs: the application object, then (once the test writes a line) the question.
    if (argc == 2 && qstrcmp(argv[1], "--status") == 0) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QtSingleApplication app(argc, argv);
        std::puts("started");
        std::fflush(stdout);
        std::getchar();
        QString answer; // stays empty unless answered
        app.ask(QStringLiteral("status"), 4000, &answer);
        return answer == QLatin1String("state: UpdateReady") ? 0 : 3;
    }
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--client") == 0) {
        std::puts("sending");
        std::fflush(stdout);
        return SingleInstance::deliver(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), 4000) ? 0 : 3;
    }
    if (argc == 4 && qstrcmp(argv[1], "--ask") == 0) {
        QString answer; // stays empty unless answered
        SingleInstance::query(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), 4000, &answer);
        return answer == QLatin1String("state: UpdateReady") ? 0 : 3;
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
