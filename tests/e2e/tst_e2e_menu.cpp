// The tray menu as a tray host receives it over dbusmenu, and what clicks on the icon and the menu open.
#include "E2eTest.h"
#include "FakeDpkg.h"
#include "SettingsFile.h"
#include "TestMain.h"
#include "TrayItem.h"

namespace {
const QString infoTitle = QStringLiteral("System update");
const QString settingsTitle = QStringLiteral("Settings");
} // namespace

class E2eMenuTest : public E2eTest
{
    Q_OBJECT

private:
    // The update service says "no updates"; the icon is kept shown so that the menu stays reachable.
    NotifierProcess* startWithNoUpdates()
    {
        if (!startDesktop(DesktopSession::Tray::Watcher) ||
            !startSimulator({QStringLiteral("--state"), QStringLiteral("0")}) ||
            !SettingsFile::write("[%General]\nhideTray=false\n")) {
            return nullptr;
        }
        NotifierProcess* notifier = m_desktop->startNotifier();
        return TrayItem(notifier->pid()).waitForRegistered(startMs) ? notifier : nullptr;
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(FakeDpkg::set(FakeDpkg::Mode::Removed)); }
    void cleanup() { finishTest(); }

    void structure()
    {
        NotifierProcess* notifier = startWithNoUpdates();
        QVERIFY(notifier);
        const TrayItem tray(notifier->pid());
        const TrayItem::MenuEntry root = tray.menu();
        QVERIFY2(!root.children.isEmpty(), qPrintable(tray.lastError()));

        const QList<TrayItem::MenuEntry>& entries = root.children;
        QCOMPARE(entries.size(), 5);

        const TrayItem::MenuEntry& help = entries[0];
        QCOMPARE(help.label, QStringLiteral("_Help"));
        QVERIFY(help.submenu);
        QVERIFY(help.enabled);
        QVERIFY(help.visible);
        QCOMPARE(help.children.size(), 2);
        QCOMPARE(help.children[0].label, QStringLiteral("_Help"));
        QCOMPARE(help.children[0].shortcut, QStringList {QStringLiteral("F1")});
        QVERIFY(help.children[0].enabled);
        QCOMPARE(help.children[1].label, QStringLiteral("_About"));
        QVERIFY(help.children[1].enabled);
        QVERIFY(help.children[1].shortcut.isEmpty());

        QCOMPARE(entries[1].label, QStringLiteral("_Settings"));
        QVERIFY(entries[1].enabled);
        QVERIFY(entries[1].visible);
        QVERIFY(!entries[1].submenu);
        QVERIFY(entries[1].shortcut.isEmpty());

        QCOMPARE(entries[2].type, QStringLiteral("separator"));
        QVERIFY(entries[2].visible);

        QCOMPARE(entries[3].label, QStringLiteral("_No updates"));
        QVERIFY(!entries[3].enabled);
        QVERIFY(entries[3].visible);

        const TrayItem::MenuEntry& remind = entries[4];
        QCOMPARE(remind.label, QStringLiteral("Disable notifications"));
        QVERIFY(remind.submenu);
        QVERIFY(!remind.enabled);
        QVERIFY(remind.visible);
        const QStringList labels {QStringLiteral("in 1 hour"), QStringLiteral("for 1 day"),
            QStringLiteral("for 2 days"), QStringLiteral("for a week"), QStringLiteral("Not to remind")};
        QCOMPARE(remind.children.size(), labels.size());
        for (int i = 0; i < labels.size(); ++i) {
            QCOMPARE(remind.children[i].label, labels[i]);
            // Qt exports a hidden entry as neither visible nor enabled.
            QCOMPARE(remind.children[i].visible, i < 4);
        }
    }

    void onlyPlainClickOpensInformation()
    {
        NotifierProcess* notifier = startWithNoUpdates();
        QVERIFY(notifier);
        const TrayItem tray(notifier->pid());
        const XWindows& windows = m_desktop->windows();

        QVERIFY(tray.contextMenu());
        QVERIFY(tray.secondaryActivate());
        // Something that surely opens, handled after the two clicks: then look for what they opened.
        const std::optional<TrayItem::MenuEntry> settings = tray.findEntry(QStringLiteral("_Settings"));
        QVERIFY(settings);
        QVERIFY(tray.click(settings->id));
        QVERIFY(windows.waitFor(settingsTitle, startMs));
        QVERIFY2(windows.find(infoTitle).isEmpty(), "a context or middle click opened the information window");

        QVERIFY(tray.activate());
        const qulonglong info = windows.waitFor(infoTitle, startMs);
        QVERIFY2(info, "a plain click opened no information window");

        // Closed and clicked again: the same window comes back, not a second one.
        QVERIFY(windows.pressKey(info, QStringLiteral("Escape")));
        QVERIFY(windows.waitForNone(infoTitle, startMs));
        QVERIFY(tray.activate());
        QVERIFY(windows.waitFor(infoTitle, startMs));
        QCOMPARE(windows.find(infoTitle), QList<qulonglong> {info});
    }

    void settingsAndAboutEntries()
    {
        NotifierProcess* notifier = startWithNoUpdates();
        QVERIFY(notifier);
        const TrayItem tray(notifier->pid());
        const XWindows& windows = m_desktop->windows();

        const std::optional<TrayItem::MenuEntry> settings = tray.findEntry(QStringLiteral("_Settings"));
        QVERIFY(settings);
        QVERIFY(windows.find(settingsTitle).isEmpty());
        QVERIFY(tray.click(settings->id));
        const qulonglong window = windows.waitFor(settingsTitle, startMs);
        QVERIFY2(window, "\"Settings\" opened nothing");
        // Chosen again while open: raised, not doubled.
        QVERIFY(tray.click(settings->id));
        QVERIFY(!tray.menu().children.isEmpty());
        QCOMPARE(windows.find(settingsTitle), QList<qulonglong> {window});

        const std::optional<TrayItem::MenuEntry> about = tray.findEntry(QStringLiteral("_About"));
        QVERIFY(about);
        QVERIFY(tray.click(about->id));
        QVERIFY2(
            windows.waitFor(QStringLiteral("About zib-user-update-notifier"), startMs), "\"About\" opened nothing");
        QVERIFY(notifier->isRunning());
    }
};

ZIB_TEST_MAIN(E2eMenuTest)
#include "tst_e2e_menu.moc"
