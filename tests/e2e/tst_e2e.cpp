// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

// The installed program on a private X display, seen from outside: its exit codes, the box without a
// tray, one state change of the update service reaching the tray and the notification server, a second
// start raising the settings, --status of the running program, and SIGTERM.
#include "ChildProcess.h"
#include "NotificationRecorder.h"
#include "SimulatorProcess.h"
#include "TestMain.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QDateTime>
#include <QFileInfo>
#include <QJsonDocument>

#include <csignal>

namespace {
constexpr int startMs = 20000; // two cores and sanitizer builds
// ZIB_E2E_PROGRAM runs another installed copy, e.g. the package's /usr/bin/zib-user-update-notifier.
const QString program = qEnvironmentVariableIsEmpty("ZIB_E2E_PROGRAM")
    ? QStringLiteral(ZIB_E2E_PREFIX "/bin/zib-user-update-notifier")
    : qEnvironmentVariable("ZIB_E2E_PROGRAM");
const QString watcherName = QStringLiteral("org.kde.StatusNotifierWatcher");

// The exit code of a normal end within the time, else -1. Waits with the event loop running: the
// program calls the tray watcher in this process.
int finish(QProcess& process, int timeoutMs = startMs)
{
    const bool ended = QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, timeoutMs);
    return ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// A start of the program that is to end by itself: its exit code, and what it printed.
int run(const QStringList& arguments, QByteArray* output = nullptr)
{
    ChildProcess process;
    process.start(program, arguments);
    const int code = finish(process);
    if (output) {
        *output = process.readAllStandardOutput();
    }
    return code;
}

// Runs xdotool on the test display with the words of `command`, with the event loop running; its output
// lines. Windows are found by the start of their title (Qt appends the program's name); "--sync" waits
// for the first one.
QStringList xdotool(const QString& command, int timeoutMs = 5000)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), command.split(QLatin1Char(' ')));
    finish(tool, timeoutMs);
    return QString::fromUtf8(tool.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}
} // namespace

// A desktop's tray host as far as Qt asks: while it owns its name on the session bus, Qt exports tray
// icons there as org.kde.StatusNotifierItem-<pid>-<n>, which lets the test read them without pixels.
class TrayWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
public:
    bool isHostRegistered() const { return true; }

    // The themed icon that the latest tray icon of process `pid` shows; empty while there is none.
    QString iconName(qint64 pid) const { return property(pid, "IconName").toString(); }

    // Its tooltip text: the title of the (icon, pixmaps, title, text) structure.
    QString toolTip(qint64 pid) const
    {
        const QDBusArgument tip = property(pid, "ToolTip").value<QDBusArgument>();
        tip.beginStructure();
        tip.asVariant(); // the icon
        tip.asVariant(); // the pixmaps
        const QString title = tip.asVariant().toString();
        tip.endStructure(); // a demarshaller left open leaks its message
        return title;
    }

    QVariant property(qint64 pid, const char* name) const
    {
        const QStringList own = m_items.filter(QStringLiteral("org.kde.StatusNotifierItem-%1-").arg(pid));
        if (own.isEmpty()) {
            return QVariant();
        }
        QDBusMessage get = QDBusMessage::createMethodCall(own.constLast(), QStringLiteral("/StatusNotifierItem"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        get.setArguments({QStringLiteral("org.kde.StatusNotifierItem"), QString::fromLatin1(name)});
        // Asked without blocking: showing an icon again, the program asks this watcher first.
        QDBusPendingCallWatcher reply(QDBusConnection::sessionBus().asyncCall(get, 5000));
        (void)QTest::qWaitFor([&] { return reply.isFinished(); }, 6000);
        return reply.reply().arguments().value(0).value<QDBusVariant>().variant();
    }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service) { m_items.append(service); }

private:
    QStringList m_items;
};

class E2eTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(program).isExecutable(),
            qPrintable(program + QLatin1String(" is not installed (the e2e_install test installs the build)")));
        // The upgrade tool is not installed here, whatever this machine has.
        QFile dpkg(TestEnvironment::instance().binDir() + QLatin1String("/dpkg-query"));
        QVERIFY(dpkg.open(QIODevice::WriteOnly));
        dpkg.write("#!/bin/sh\necho 'rc tarno-upgrade'\n");
        QVERIFY(dpkg.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
        // A display away from the low numbers that other servers race for; -displayfd: Xvfb prints its
        // number once it takes clients.
        const qint64 first = 100 + QCoreApplication::applicationPid() % 800;
        for (qint64 display = first; display < first + 20 && !m_xvfb.isRunning(); ++display) {
            m_xvfb.start(QStringLiteral("Xvfb"),
                {QLatin1Char(':') + QString::number(display), QStringLiteral("-displayfd"), QStringLiteral("1"),
                    QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("1024x768x24"),
                    QStringLiteral("-nolisten"), QStringLiteral("tcp")});
            while (!m_xvfb.canReadLine() && m_xvfb.waitForReadyRead(startMs)) { }
        }
        QVERIFY2(m_xvfb.canReadLine(), "Xvfb reported no display");
        // Everything started from here on runs on that display with the installed data. Sanitizer builds:
        // libxkbcommon-x11 hands strndup() a reply without a terminating NUL, which the strict string
        // checks take for an overflow in every X client, and Qt's exported tray menu and Mesa leak at exit.
        qputenv("DISPLAY", ':' + m_xvfb.readLine().trimmed());
        qputenv("QT_QPA_PLATFORM", "xcb");
        // <prefix>/bin/program: its data is in <prefix>/share.
        qputenv("XDG_DATA_DIRS",
            QFile::encodeName(QFileInfo(program).absolutePath() + QLatin1String("/../share:/usr/share")));
        qputenv("ASAN_OPTIONS", qgetenv("ASAN_OPTIONS") + ":strict_string_checks=0:detect_leaks=0");
        QVERIFY(QDBusConnection::sessionBus().registerObject(QStringLiteral("/StatusNotifierWatcher"), &m_watcher,
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties));
    }

    void init()
    {
        QVERIFY2(m_xvfb.isRunning(), "Xvfb has ended");
        QVERIFY(QDBusConnection::sessionBus().registerService(watcherName));
    }
    void cleanup()
    {
        QDBusConnection::sessionBus().unregisterService(watcherName);
        TestEnvironment::instance().removeSettings();
    }

    void exitCodes_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<int>("code");
        QTest::newRow("unknown option") << QStringLiteral("--bogus") << 1;
        QTest::newRow("status, none running") << QStringLiteral("--status") << 3;
    }

    void exitCodes()
    {
        QFETCH(QString, option);
        QFETCH(int, code);
        QCOMPARE(run({option}), code);
    }

    void noTrayShowsBoxAndFails()
    {
        QVERIFY(QDBusConnection::sessionBus().unregisterService(watcherName));
        ChildProcess notifier;
        notifier.start(program, {});
        // The critical box "Couldn't detect any system tray on this system", confirmed: with no window
        // manager, focused first. The program ends once it is confirmed.
        const QStringList box = xdotool(
            QStringLiteral(
                "search --sync --onlyvisible --name ^Update.Notifier getwindowname windowfocus --sync key Return"),
            startMs);
        QVERIFY2(!box.isEmpty(), "no box");
        QCOMPARE(finish(notifier), 1);
    }

    // One state change seen in the tray and in a notification, in English and, on a German desktop, in
    // German; a second start raising the settings there; and the helpdesk's view of it all.
    void stateChangeReachesTrayAndNotification_data()
    {
        // Each row's name is the locale.
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("settings"); // the settings window's title
        QTest::newRow("C.UTF-8") << "System update"
                                 << "New system update is available"
                                 << "Settings";
        QTest::newRow("de_DE.UTF-8") << "Systemaktualisierung"
                                     << "Eine neue Systemaktualisierung ist verfügbar"
                                     << "Einstellungen";
    }
    void stateChangeReachesTrayAndNotification()
    {
        QFETCH(QString, text);
        QFETCH(QString, settings);
        SimulatorProcess simulator;
        QVERIFY(simulator.start({QStringLiteral("--state"), QStringLiteral("0")}));
        NotificationRecorder recorder;
        QVERIFY(recorder.start());
        ChildProcess notifier;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(QTest::currentDataTag()));
        notifier.setProcessEnvironment(environment);
        notifier.start(program, {});

        // Before the first poll, 3 s after the start.
        const QDateTime due = QDateTime::currentDateTime().addDays(3);
        QVERIFY(simulator.control(QStringLiteral("SetUpdateDate"), {due.toString(QStringLiteral("hh:mm dd.MM.yyyy"))}));
        QVERIFY(simulator.control(QStringLiteral("SetVersion"), {QStringLiteral("3.1.19")}));
        QVERIFY(simulator.control(QStringLiteral("SetState"), {4}));

        // The picture is found among the installed icons, not the embedded fallback.
        QTRY_COMPARE_WITH_TIMEOUT(
            m_watcher.iconName(notifier.processId()), QStringLiteral("updates-available"), startMs);
        QCOMPARE(m_watcher.toolTip(notifier.processId()), text);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.lastNotify().value(QLatin1String("body")).toString(), text, startMs);
        QTEST(recorder.lastNotify().value(QLatin1String("summary")).toString(), "title");

        // A second start hands --settings to the running one, and ends.
        const QString search = QStringLiteral(" --onlyvisible --name ^") + settings;
        QVERIFY(xdotool(QLatin1String("search") + search).isEmpty());
        QCOMPARE(run({QStringLiteral("--settings")}), 0);
        QVERIFY(!xdotool(QLatin1String("search --sync") + search, startMs).isEmpty());

        // The helpdesk's view of the same, asked of the running notifier.
        QByteArray report;
        QCOMPARE(run({QStringLiteral("--status")}, &report), 0);
        QVERIFY2(report.contains("state: UpdateReady\n"), report.constData());
        QVERIFY(report.contains("offered_version: 3.1.19\n"));
        QCOMPARE(run({QStringLiteral("--status"), QStringLiteral("--json")}, &report), 0);
        QCOMPARE(QJsonDocument::fromJson(report)[QLatin1String("due")].toString(),
            due.toString(QStringLiteral("yyyy-MM-ddTHH:mm:00")));
        // SIGTERM ends it cleanly, and soon.
        QVERIFY(::kill(pid_t(notifier.processId()), SIGTERM) == 0);
        QCOMPARE(finish(notifier, 2000), 0);
    }

private:
    ChildProcess m_xvfb;
    TrayWatcher m_watcher;
};

ZIB_TEST_MAIN(E2eTest)
#include "tst_e2e.moc"
