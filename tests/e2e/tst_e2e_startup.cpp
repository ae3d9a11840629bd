// The installed program's command line and life: help and bad options, the refusal without a tray, a
// start beside a refusing one, SIGTERM and the order in which the core comes down.
#include "E2eTest.h"
#include "FakeDpkg.h"
#include "Poll.h"
#include "SettingsFile.h"
#include "TestMain.h"
#include "TrayItem.h"

#include <csignal>

namespace {
const QString noTrayTitle = QStringLiteral("Update Notifier");
} // namespace

class E2eStartupTest : public E2eTest
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(FakeDpkg::set(FakeDpkg::Mode::Removed)); }
    void cleanup() { finishTest(); }

    void helpAndUnknownOptions()
    {
        DesktopSession* desktop = startDesktop(DesktopSession::Tray::Watcher);
        QVERIFY(desktop);

        // The command line is checked before anything else, so a running instance changes nothing.
        for (const bool primaryRunning : {false, true}) {
            if (primaryRunning) {
                NotifierProcess* primary = desktop->startNotifier();
                QVERIFY(TrayItem(primary->pid()).waitForRegistered(startMs));
            }

            NotifierProcess* help = desktop->runNotifier({QStringLiteral("--help")}, startMs);
            QVERIFY(!help->isRunning());
            QCOMPARE(help->exitCode(), 0);
            QVERIFY2(help->standardOutput().contains(QLatin1String("--settings")), qPrintable(help->standardOutput()));
            QVERIFY(help->standardOutput().contains(QLatin1String("Show settings dialog (only for running app)")));
            QVERIFY(help->standardOutput().contains(QLatin1String("-h, --help")));

            NotifierProcess* shortHelp = desktop->runNotifier({QStringLiteral("-h")}, startMs);
            QVERIFY(!shortHelp->isRunning());
            QCOMPARE(shortHelp->exitCode(), 0);
            QCOMPARE(shortHelp->standardOutput(), help->standardOutput());

            NotifierProcess* unknown = desktop->runNotifier({QStringLiteral("--bogus")}, startMs);
            QVERIFY(!unknown->isRunning());
            QCOMPARE(unknown->exitCode(), 1);
            QVERIFY2(unknown->standardError().contains(QLatin1String("Unknown option 'bogus'")),
                qPrintable(unknown->standardError()));
        }
    }

    void refusesToStartWithoutTray()
    {
        DesktopSession* desktop = startDesktop(DesktopSession::Tray::None);
        QVERIFY(desktop);
        const XWindows& windows = desktop->windows();

        NotifierProcess* first = desktop->startNotifier();
        const qulonglong box = windows.waitFor(noTrayTitle, startMs);
        QVERIFY2(box, "no critical box");
        QVERIFY(first->isRunning());

        // While the box is open the first start already counts as the running instance.
        for (const QStringList& arguments : {QStringList(), QStringList {QStringLiteral("--settings")}}) {
            NotifierProcess* second = desktop->runNotifier(arguments, startMs);
            QVERIFY2(!second->isRunning(), "a start beside the open box did not end by itself");
            QCOMPARE(second->exitCode(), 0);
        }
        QCOMPARE(windows.find(noTrayTitle).size(), 1);
        QVERIFY(windows.find(QStringLiteral("Settings")).isEmpty());
        QVERIFY(first->isRunning());

        QVERIFY(windows.pressKey(box, QStringLiteral("Return")));
        QVERIFY(first->waitForExit(startMs));
        QCOMPARE(first->exitCode(), 1);
        QVERIFY(windows.waitForNone(noTrayTitle, startMs));

        // A later start tries again rather than taking the ended one for running.
        NotifierProcess* later = desktop->startNotifier();
        const qulonglong again = windows.waitFor(noTrayTitle, startMs);
        QVERIFY2(again, "no critical box on the second try");
        QVERIFY(windows.pressKey(again, QStringLiteral("Escape")));
        QVERIFY(later->waitForExit(startMs));
        QCOMPARE(later->exitCode(), 1);
    }

    void sigtermEndsInOrder()
    {
        DesktopSession* desktop = startDesktop(DesktopSession::Tray::Watcher);
        QVERIFY(desktop);
        QProcessEnvironment debug;
        debug.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("zib.notifier.*.debug=true"));
        // No update service: the error state keeps the icon shown.
        NotifierProcess* notifier = desktop->startNotifier({}, debug);
        const TrayItem tray(notifier->pid());
        // Its menu answers from the event loop, so by then SIGTERM is handled by the program.
        QVERIFY(tray.waitForRegistered(startMs));

        QVERIFY(notifier->sendSignal(SIGTERM));
        QVERIFY(notifier->waitForExit(startMs));
        QCOMPARE(notifier->exitCode(), 0);

        const QString log = notifier->standardError();
        const QStringList steps {QStringLiteral("destroying: menu"), QStringLiteral("destroying: notification"),
            QStringLiteral("destroying: dialogs"), QStringLiteral("destroying: members and children")};
        int previous = -1;
        for (const QString& step : steps) {
            QCOMPARE(log.count(step), 1);
            const int at = log.indexOf(step);
            QVERIFY2(at > previous, qPrintable(QStringLiteral("out of order: %1\n%2").arg(step, log)));
            previous = at;
        }
    }

    void startsWithXEmbedTray()
    {
        DesktopSession* desktop = startDesktop(DesktopSession::Tray::XEmbed);
        QVERIFY(desktop);
        // Not hidden during the start, so that the embedded window found is the one that stays.
        QVERIFY(SettingsFile::write("[%General]\nhideTray=false\n"));
        NotifierProcess* notifier = desktop->startNotifier();
        qulonglong icon = 0;
        QVERIFY2(Poll::until([&] { return (icon = desktop->embeddedIcon()) != 0; }, startMs),
            "the icon was never embedded in the panel");
        QVERIFY(desktop->windows().find(noTrayTitle).isEmpty());

        QVERIFY(desktop->windows().click(icon, 1));
        QVERIFY(desktop->windows().waitFor(QStringLiteral("System update"), startMs));
        QVERIFY(notifier->isRunning());
    }
};

ZIB_TEST_MAIN(E2eStartupTest)
#include "tst_e2e_startup.moc"
