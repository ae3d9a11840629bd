// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

// The single-instance channel between real processes, against the peers that break it: a primary that
// comes late, does not answer or crashed, garbage on the socket, another user, no runtime directory, and a
// status question asked while the notifier starts.
#include "QtSingleApplication.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// What QtSingleApplication names this binary, so that a helper's application meets the tests' primaries.
const QString id = QStringLiteral("tst_singleinstance");
const QString status = QStringLiteral("state: UpdateReady"); // the primaries' answer to any question

QByteArray frame(const char* magic, quint32 length, const QByteArray& payload)
{
    QByteArray header(magic);
    QDataStream(&header, QIODevice::Append) << length; // big-endian
    return header + payload;
}

// This binary in one of its roles (see main), run directly or through `command` (e.g. setpriv ... binary).
struct Helper : QProcess
{
    explicit Helper(const QStringList& arguments, QStringList command = {QCoreApplication::applicationFilePath()})
    {
        command += arguments;
        setProcessChannelMode(ForwardedErrorChannel);
        start(command.takeFirst(), command);
    }
    // Its one line, telling that it got as far as the test waits for.
    bool says(const QByteArray& line) { return waitForReadyRead(10000) && readLine() == line + '\n'; }
    // 0 delivered or answered, 3 not; -1 when it did not end normally. Waits with the event loop running,
    // so that a primary in this process can answer meanwhile.
    int finish()
    {
        const bool ended = QTest::qWaitFor([this] { return state() == NotRunning; }, 10000);
        return ended && error() != FailedToStart && exitStatus() == NormalExit ? exitCode() : -1;
    }
};

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
} // namespace

class SingleInstanceTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    const QByteArray m_runtimeDir = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray m_tmpDir = qgetenv("TMPDIR");

private Q_SLOTS:
    void initTestCase() { testLog = qInstallMessageHandler(recordWarning); } // over the test library's own
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

    // A crashed primary left its lock and socket behind (kill -9). A status question and a message start
    // before the next one: the question takes no part in the check, so the notifier starting meanwhile
    // takes over the stale lock at once and answers it; the message waits for it. A second start then
    // finds it running, and gives up at its timeout while it does not answer (here: busy in this thread,
    // as frozen as can be).
    void startsAroundACrashedPrimary()
    {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_dir->path()));
        Helper crashed({QStringLiteral("--primary"), m_dir->path()});
        QVERIFY(crashed.says("ready"));
        crashed.kill();
        QVERIFY(crashed.waitForFinished(5000));
        QElapsedTimer asked; // a question does not wait for a primary to come
        asked.start();
        const QString socket = m_dir->filePath(id + QLatin1String(".socket"));
        QString answer;
        QCOMPARE(SingleInstance::query(socket, status, 4000, &answer), SingleInstance::Outcome::NobodyListens);
        QVERIFY(asked.elapsed() < 2000);
        Helper asking({QStringLiteral("--status")});
        QVERIFY(asking.says("started"));
        const QString message = QStringLiteral("/usr/bin/zib-user-update-notifier|||--settings");
        Helper client({QStringLiteral("--client"), socket, message});
        QVERIFY(client.says("sending")); // and keeps trying until its time is up
        SingleInstance primary(id, m_dir->path());
        QVERIFY(!primary.isRunning());
        QSignalSpy received(&primary, &SingleInstance::messageReceived);
        primary.setQueryHandler([](const QString&) { return status; });
        QCOMPARE(client.finish(), 0);
        QCOMPARE(received.count(), 1);
        QCOMPARE(received.at(0).at(0).toString(), message);
        asking.write("\n");
        QCOMPARE(asking.finish(), 0);

        SingleInstance second(id, m_dir->path());
        QVERIFY(second.isRunning());
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!second.sendMessage(message, 1000));
        QVERIFY2(clock.elapsed() >= 900 && clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    }

    void hostileClient_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("why"); // in the primary's one warning
        QTest::newRow("wrong magic") << frame("HTTP", 4, "abcd") << "unknown frame header 48545450";
        QTest::newRow("too long") << frame("ZIB1", SingleInstance::maxMessageBytes + 1, QByteArray(64, 'x'))
                                  << "announces 65537 bytes";
        QTest::newRow("half a frame, held open") << frame("ZIB1", 100, "abc") << "no complete message within 5000 ms";
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
        // Nothing gets through from it, and nobody else is locked out, even while it holds on.
        QCOMPARE(Helper({QStringLiteral("--client"), primary.socketPath(), QStringLiteral("ok")}).finish(), 0);
        QCOMPARE(received.count(), 1);
        QCOMPARE(received.at(0).at(0).toString(), QStringLiteral("ok"));
        // It is dropped, at the latest when its time is up; one line says why, the good peer leaves none.
        QVERIFY(!gone.isEmpty() || gone.wait(8000));
        QCOMPARE(desktopWarnings.size(), 1);
        QVERIFY2(desktopWarnings.value(0).contains(why), qPrintable(desktopWarnings.value(0)));
    }

    // Only a reply frame is taken as the running notifier's answer, whatever the bytes say.
    void onlyAReplyIsBelieved()
    {
        QLocalServer fake;
        QVERIFY(fake.listen(m_dir->filePath(QStringLiteral("fake"))));
        QByteArray reply;
        connect(&fake, &QLocalServer::newConnection, this, [&] { fake.nextPendingConnection()->write(reply); });
        for (const char* magic : {"ZIBR", "ZIB1"}) {
            reply = QByteArray(1, '\x06') + frame(magic, quint32(status.size()), status.toUtf8());
            const QStringList ask {QStringLiteral("--ask"), fake.fullServerName(), QStringLiteral("status")};
            QCOMPARE(Helper(ask).finish(), qstrcmp(magic, "ZIBR") == 0 ? 0 : 3);
        }
    }

    void otherUserIsRefused()
    {
        const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        if (::geteuid() != 0 || setpriv.isEmpty()) {
            QSKIP("needs root and setpriv to act as a second user");
        }
        // The file system lets the other user in (a copy of this binary, an open directory and socket):
        // only the primary's check of its peer can refuse. Neither a message nor the status gets through.
        const QString client = m_dir->filePath(QStringLiteral("client"));
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), client));
        SingleInstance primary(id, m_dir->path());
        QVERIFY(!primary.isRunning());
        for (const QString& path : {m_dir->path(), client, primary.socketPath()}) {
            QVERIFY(::chmod(QFile::encodeName(path).constData(), 0777) == 0);
        }
        QSignalSpy received(&primary, &SingleInstance::messageReceived);
        primary.setQueryHandler([](const QString&) { return status; });
        const QStringList asNobody {setpriv, QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
            QStringLiteral("--clear-groups"), client};
        for (const QString& mode : {QStringLiteral("--client"), QStringLiteral("--ask")}) {
            const QStringList arguments {mode, primary.socketPath(), QStringLiteral("x|||--settings")};
            QCOMPARE(Helper(arguments, asNobody).finish(), 3);
            QCOMPARE(Helper(arguments).finish(), 0); // the same user gets through
        }
        QCOMPARE(received.count(), 1);
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
            QVERIFY(!first.isRunning());
            QVERIFY(SingleInstance(id).isRunning());
        }
        // The fallback was made there. One that others can enter is not trusted: a start runs alone,
        // reaching nobody.
        QVERIFY(::chmod(QFile::encodeName(fallback).constData(), 0705) == 0);
        SingleInstance alone(id);
        QVERIFY(alone.socketPath().isEmpty());
        QVERIFY(!alone.isRunning());
    }
};

int main(int argc, char* argv[])
{
    const QByteArray role = argc > 1 ? argv[1] : "";
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ); // each line reaches the test at once
    // As "--status" runs: the application object, then (once the test writes a line) the question.
    if (argc == 2 && role == "--status") {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QtSingleApplication app(argc, argv);
        std::puts("started");
        std::getchar();
        QString answer; // stays empty unless answered
        app.ask(QStringLiteral("status"), 4000, &answer);
        return answer == status ? 0 : 3;
    }
    QCoreApplication app(argc, argv);
    // "--client" delivers the message, "--ask" asks it as a question.
    if (argc == 4 && (role == "--client" || role == "--ask")) {
        std::puts("sending");
        const QString socketPath = QString::fromLocal8Bit(argv[2]);
        const QString text = QString::fromLocal8Bit(argv[3]);
        if (role == "--client") {
            return SingleInstance::deliver(socketPath, text, 4000) ? 0 : 3;
        }
        QString answer; // stays empty unless answered
        SingleInstance::query(socketPath, text, 4000, &answer);
        return answer == status ? 0 : 3;
    }
    if (argc == 3 && role == "--primary") {
        SingleInstance primary(id, QString::fromLocal8Bit(argv[2]));
        std::puts(primary.isRunning() ? "running" : "ready");
        return QCoreApplication::exec();
    }
    SingleInstanceTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleinstance.moc"
