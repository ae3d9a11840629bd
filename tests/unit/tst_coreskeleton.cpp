// The core's object tree: menu, tray activation, dialogs, and the order of its destruction.
#include "NotifierCoreProbe.h"
#include "SettingsDialog.h"
#include "TestMain.h"
#include "UpdateInfoDialog.h"

#include <QSignalSpy>

class CoreSkeletonTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { TestEnvironment::instance().removeSettings(); }

    void menuStructure()
    {
        NotifierCore core(true, nullptr);
        NotifierCoreProbe probe(&core);
        const QList<QAction*> entries = probe.menu()->actions();
        QCOMPARE(entries.size(), 5);

        QVERIFY(entries[0]->menu());
        QCOMPARE(entries[0]->menu()->title(), QStringLiteral("&Help"));
        QCOMPARE(entries[0]->menu()->actions().size(), 2);
        QCOMPARE(entries[0]->menu()->actions()[0]->shortcut(), QKeySequence(QKeySequence::HelpContents));
        QCOMPARE(entries[0]->menu()->actions()[1]->text(), QStringLiteral("&About"));

        QCOMPARE(entries[1]->text(), QStringLiteral("&Settings"));
        QVERIFY(entries[1]->isEnabled());
        QVERIFY(entries[1]->shortcut().isEmpty());
        QVERIFY(entries[2]->isSeparator());
        QCOMPARE(entries[3], probe.stateAction());
        QCOMPARE(entries[4]->menu(), probe.remindMenu());
        QCOMPARE(probe.remindMenu()->title(), QStringLiteral("Disable notifications"));
    }

    void initialStates()
    {
        NotifierCore core(false, nullptr);
        NotifierCoreProbe probe(&core);
        // Without a service the state entry shows the error tooltip but keeps its text.
        QCOMPARE(probe.stateAction()->text(), QStringLiteral("&No updates"));
        QVERIFY(!probe.stateAction()->isEnabled());
        QVERIFY(!probe.remindMenu()->isEnabled());

        const QList<QAction*> reminders = probe.remindMenu()->actions();
        const QStringList texts {QStringLiteral("in 1 hour"), QStringLiteral("for 1 day"), QStringLiteral("for 2 days"),
            QStringLiteral("for a week"), QStringLiteral("Not to remind")};
        const QList<QVariant> hours {1, 24, 48, 168, QVariant()};
        QCOMPARE(reminders.size(), 5);
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(reminders[i]->text(), texts[i]);
            QCOMPARE(reminders[i]->data(), hours[i]);
            QCOMPARE(reminders[i]->isVisible(), i < 4);
        }
        QCOMPARE(reminders[1], probe.remindDayAction());
        QCOMPARE(reminders[2], probe.remindTwoDaysAction());
        QCOMPARE(reminders[3], probe.remindWeekAction());
        QCOMPARE(reminders[4], probe.remindNeverAction());
    }

    void timersAfterConstruction()
    {
        NotifierCore core(false, nullptr);
        NotifierCoreProbe probe(&core);
        QCOMPARE(probe.checkTimer()->interval(), 5000);
        QVERIFY(probe.checkTimer()->isActive());
        QVERIFY(probe.hideTimer()->isSingleShot());
        QCOMPARE(probe.hideTimer()->interval(), 5000);
        QCOMPARE(probe.packageTimer()->interval(), 60000);
        QVERIFY(probe.packageTimer()->isActive());
        QCOMPARE(probe.remindMenuTimer()->interval(), 1800000);
        QVERIFY(probe.remindMenuTimer()->isActive());
        QCOMPARE(probe.statusTimer()->interval(), 30000);
        // No service on the bus: polls run (they only re-read the version) while reconnection is tried.
        QVERIFY(probe.statusTimer()->isActive());
        QVERIFY(probe.reconnectTimer());
        QVERIFY(probe.reconnectTimer()->isActive());
    }

    void onlyPlainClickOpensInformation()
    {
        NotifierCore core(true, nullptr);
        NotifierCoreProbe probe(&core);
        for (auto reason : {QSystemTrayIcon::Context, QSystemTrayIcon::DoubleClick, QSystemTrayIcon::MiddleClick,
                 QSystemTrayIcon::Unknown}) {
            Q_EMIT probe.trayIcon()->activated(reason);
            QVERIFY(!probe.infoDialog());
        }
        Q_EMIT probe.trayIcon()->activated(QSystemTrayIcon::Trigger);
        UpdateInfoDialog* dialog = probe.infoDialog();
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->windowIcon().cacheKey(), probe.trayIcon()->icon().cacheKey());

        dialog->hide();
        Q_EMIT probe.trayIcon()->activated(QSystemTrayIcon::Trigger);
        QCOMPARE(probe.infoDialog(), dialog);
        QVERIFY(dialog->isVisible());
    }

    void settingsOpenRaiseAndReject()
    {
        NotifierCore core(true, nullptr);
        NotifierCoreProbe probe(&core);
        probe.trayIcon()->hide();

        core.showSettings();
        SettingsDialog* dialog = probe.settingsDialog();
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QVERIFY(probe.trayIcon()->isVisible());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Settings"));

        core.showSettings();
        QCOMPARE(probe.settingsDialog(), dialog);

        // Cancel re-applies the current state: its tooltip comes back even if something else changed it.
        probe.trayIcon()->setToolTip(QString());
        dialog->reject();
        QVERIFY(!dialog->isVisible());
        QCOMPARE(probe.trayIcon()->toolTip(), QStringLiteral("Unable to connect to the service tarno-update-service"));
    }

    void withoutTrayIcon()
    {
        NotifierCore core(false, nullptr);
        NotifierCoreProbe probe(&core);
        QVERIFY(!probe.trayIcon());
        core.showSettings();
        probe.showInfoDialog();
        core.hideTrayIcon();
        QVERIFY(probe.settingsDialog()->isVisible());
        QVERIFY(probe.infoDialog()->isVisible());
    }

    void destructionOrder()
    {
        auto* core = new NotifierCore(true, nullptr);
        NotifierCoreProbe probe(core);
        core->showSettings();
        probe.showInfoDialog();

        QStringList order;
        const auto track = [&order](QObject* object, const QString& name) {
            QObject::connect(object, &QObject::destroyed, [&order, name] { order.append(name); });
        };
        track(probe.menu(), QStringLiteral("menu"));
        track(probe.infoDialog(), QStringLiteral("info"));
        track(probe.settingsDialog(), QStringLiteral("settings"));
        track(probe.trayIcon(), QStringLiteral("tray"));
        track(probe.statusTimer(), QStringLiteral("status timer"));
        delete core;
        QCOMPARE(order,
            (QStringList {QStringLiteral("menu"), QStringLiteral("info"), QStringLiteral("settings"),
                QStringLiteral("tray"), QStringLiteral("status timer")}));
    }
};

ZIB_TEST_MAIN(CoreSkeletonTest)
#include "tst_coreskeleton.moc"
