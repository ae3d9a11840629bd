// The installed program on a private X display, seen from outside: its exit codes, the box without a
// tray, a second start raising the settings, one state change of the update service reaching the tray
// and the notification server, and SIGTERM.
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
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSignalSpy>

#include <csignal>

namespace {
constexpr int startMs = 20000; // two cores and sanitizer builds
// ZIB_E2E_PROGRAM runs another installed copy, e.g. the package's /usr/bin/zib-user-update-notifier.
const QString program = qEnvironmentVariableIsEmpty("ZIB_E2E_PROGRAM")
    ? QStringLiteral(ZIB_E2E_PREFIX "/bin/zib-user-update-notifier")
    : qEnvironmentVariable("ZIB_E2E_PROGRAM");
// <prefix>/bin/program: its data is in <prefix>/share.
const QString shareDir = QDir::cleanPath(QFileInfo(program).absolutePath() + QLatin1String("/../share"));
const QString watcherName = QStringLiteral("org.kde.StatusNotifierWatcher");

// The exit code of a normal end within the time, else -1. Waits with the event loop running: the
// program calls the tray watcher in this process.
int finish(QProcess& process, int timeoutMs)
{
    QSignalSpy finished(&process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished));
    const bool ended = process.state() == QProcess::NotRunning || finished.wait(timeoutMs);
    return ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// SIGTERM must end the program cleanly, and soon: its exit code within 2 s, else -1.
int terminate(QProcess& notifier)
{
    return ::kill(pid_t(notifier.processId()), SIGTERM) == 0 ? finish(notifier, 2000) : -1;
}

void startNotifier(QProcess& notifier, const QStringList& arguments = {})
{
    notifier.setProcessChannelMode(QProcess::ForwardedChannels);
    notifier.start(program, arguments);
}

// Runs xdotool on the test display, with the event loop running; its output lines.
QStringList xdotool(const QStringList& arguments, int timeoutMs = 5000)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    finish(tool, timeoutMs);
    return QString::fromUtf8(tool.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Mapped windows whose title starts with `title` (Qt appends the program's name); with a time, the
// first one that appears within it.
QStringList windows(const QString& title, int timeoutMs = 0)
{
    QStringList arguments {
        QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), QLatin1Char('^') + title};
    if (timeoutMs > 0) {
        arguments.insert(1, QStringLiteral("--sync"));
    }
    return xdotool(arguments, qMax(timeoutMs, 5000));
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
        QString icon;
        QString title;
        tip.beginStructure();
        tip >> icon;
        tip.beginArray();
        while (!tip.atEnd()) {
            int width = 0;
            int height = 0;
            QByteArray pixels;
            tip.beginStructure();
            tip >> width >> height >> pixels;
            tip.endStructure();
        }
        tip.endArray();
        QString text;
        tip >> title >> text;
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
        if (!reply.isFinished()) {
            QSignalSpy(&reply, &QDBusPendingCallWatcher::finished).wait(6000);
        }
        return reply.reply().arguments().value(0).value<QDBusVariant>().variant();
    }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service) { m_items.append(service); }
    void RegisterStatusNotifierHost(const QString&) { }

private:
    QStringList m_items;
};

class E2eTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        qRegisterMetaType<QProcess::ExitStatus>();
        QVERIFY2(QFileInfo(program).isExecutable(),
            qPrintable(program + QLatin1String(" is not installed (the e2e_install test installs the build)")));
        // The upgrade tool is not installed here, whatever this machine has.
        QFile dpkg(TestEnvironment::instance().binDir() + QLatin1String("/dpkg-query"));
        QVERIFY(dpkg.open(QIODevice::WriteOnly));
        dpkg.write("#!/bin/sh\necho 'rc tarno-upgrade'\n");
        dpkg.close();
        QVERIFY(dpkg.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
        // A display away from the low numbers that other servers race for; -displayfd: Xvfb prints its
        // number once it takes clients.
        m_xvfb.setProcessChannelMode(QProcess::ForwardedErrorChannel);
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
        qputenv("XDG_DATA_DIRS", QFile::encodeName(shareDir + QLatin1String(":/usr/share")));
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
        QTest::newRow("help") << QStringLiteral("--help") << 0;
        QTest::newRow("unknown option") << QStringLiteral("--bogus") << 1;
        QTest::newRow("status, none running") << QStringLiteral("--status") << 3;
    }

    void exitCodes()
    {
        QFETCH(QString, option);
        QFETCH(int, code);
        ChildProcess notifier;
        startNotifier(notifier, {option});
        QCOMPARE(finish(notifier, startMs), code);
    }

    void noTrayShowsBoxAndFails()
    {
        QVERIFY(QDBusConnection::sessionBus().unregisterService(watcherName));
        ChildProcess notifier;
        startNotifier(notifier);
        // The critical box "Couldn't detect any system tray on this system".
        const QStringList box = windows(QStringLiteral("Update Notifier"), startMs);
        QVERIFY2(!box.isEmpty(), "no box");
        QVERIFY(notifier.isRunning());
        // No window manager: focus the box, then confirm it.
        xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), box.value(0), QStringLiteral("key"),
            QStringLiteral("Return")});
        QCOMPARE(finish(notifier, startMs), 1);
    }

    void secondStartRaisesSettings()
    {
        ChildProcess primary;
        startNotifier(primary);
        // No update service: the error state shows the icon, so once it is there the primary listens.
        QTRY_VERIFY_WITH_TIMEOUT(!m_watcher.iconName(primary.processId()).isEmpty(), startMs);
        QVERIFY(windows(QStringLiteral("Settings")).isEmpty());

        ChildProcess second;
        startNotifier(second, {QStringLiteral("--settings")});
        QCOMPARE(finish(second, startMs), 0);
        QVERIFY(!windows(QStringLiteral("Settings"), startMs).isEmpty());
        QCOMPARE(terminate(primary), 0);
    }

    // One state change seen in the tray and in a notification, in English and, on a German desktop, in
    // German; and the helpdesk's view of it.
    void stateChangeReachesTrayAndNotification_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("English") << "C.UTF-8"
                                 << "System update"
                                 << "New system update is available";
        QTest::newRow("German") << "de_DE.UTF-8"
                                << "Systemaktualisierung"
                                << "Eine neue Systemaktualisierung ist verfügbar";
    }
    void stateChangeReachesTrayAndNotification()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        SimulatorProcess simulator;
        QVERIFY(simulator.start({QStringLiteral("--state"), QStringLiteral("0")}));
        NotificationRecorder recorder;
        QVERIFY(recorder.start());
        ChildProcess notifier;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LC_ALL"), locale);
        environment.insert(QStringLiteral("LANG"), locale);
        notifier.setProcessEnvironment(environment);
        startNotifier(notifier);

        // Before the first poll, 3 s after the start.
        const QDateTime due = QDateTime::currentDateTime().addDays(3);
        QVERIFY(simulator.setUpdateDate(due.toString(QStringLiteral("hh:mm dd.MM.yyyy"))));
        QVERIFY(simulator.setVersion(QStringLiteral("3.1.19")));
        QVERIFY(simulator.setState(4));

        // The picture is found among the installed icons, not the embedded fallback.
        QTRY_COMPARE_WITH_TIMEOUT(
            m_watcher.iconName(notifier.processId()), QStringLiteral("updates-available"), startMs);
        QCOMPARE(m_watcher.toolTip(notifier.processId()), text);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.lastNotify().value(QLatin1String("body")).toString(), text, startMs);
        QTEST(recorder.lastNotify().value(QLatin1String("summary")).toString(), "title");

        // The helpdesk's view of the same, asked of the running notifier.
        ChildProcess status;
        status.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        status.start(program, {QStringLiteral("--status")});
        QCOMPARE(finish(status, startMs), 0);
        const QString report = QString::fromUtf8(status.readAllStandardOutput());
        QVERIFY2(report.contains(QLatin1String("state: UpdateReady\n")), qPrintable(report));
        QVERIFY(report.contains(QLatin1String("offered_version: 3.1.19\n")));
        QVERIFY(report.contains(QLatin1String("service_reached: yes\n")));
        status.start(program, {QStringLiteral("--status"), QStringLiteral("--json")});
        QCOMPARE(finish(status, startMs), 0);
        QCOMPARE(QJsonDocument::fromJson(status.readAllStandardOutput())[QLatin1String("due")].toString(),
            due.toString(QStringLiteral("yyyy-MM-ddTHH:mm:00")));
        QCOMPARE(terminate(notifier), 0);
    }

private:
    ChildProcess m_xvfb;
    TrayWatcher m_watcher;
};

ZIB_TEST_MAIN(E2eTest)
#include "tst_e2e.moc"
