// The settings window, offscreen: how it shows the stored values and what OK writes back.
#include "SettingsDialog.h"
#include "UnitMain.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTimeEdit>

namespace {
const QDateTime now(QDate(2026, 12, 7), QTime(10, 0));
}

class SettingsDialogTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<SettingsDialog> dialog;

    static QVariant stored(const char* key)
    {
        return QSettings(QStringLiteral("TarnoLinux"), QStringLiteral("zib-update-notifier"))
            .value(QLatin1String("General/") + QLatin1String(key));
    }
    static void store(const char* key, const QVariant& value)
    {
        QSettings(QStringLiteral("TarnoLinux"), QStringLiteral("zib-update-notifier"))
            .setValue(QLatin1String("General/") + QLatin1String(key), value);
    }
    static int storedKeys()
    {
        return QSettings(QStringLiteral("TarnoLinux"), QStringLiteral("zib-update-notifier")).allKeys().size();
    }
    template<typename T>
    T* widget(const char* name) const
    {
        return dialog->findChild<T*>(QLatin1String(name));
    }
    QPushButton* ok() const { return widget<QDialogButtonBox>("buttonBox")->button(QDialogButtonBox::Ok); }
    void open()
    {
        dialog = std::make_unique<SettingsDialog>([] { return now; });
        dialog->show();
    }

private Q_SLOTS:
    void init()
    {
        QFile::remove(QSettings(QStringLiteral("TarnoLinux"), QStringLiteral("zib-update-notifier")).fileName());
    }

    void interval_data()
    {
        QTest::addColumn<QVariant>("storedInterval");
        QTest::addColumn<int>("days");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<bool>("tooltip");
        QTest::newRow("absent") << QVariant() << 1 << QTime(0, 0) << false;
        QTest::newRow("an hour") << QVariant(3600) << 0 << QTime(1, 0) << true;
        QTest::newRow("ten minutes") << QVariant(600) << 0 << QTime(0, 15) << true;
        QTest::newRow("odd second") << QVariant(86400 + 3600 + 61) << 1 << QTime(1, 1) << false;
    }
    void interval()
    {
        QFETCH(QVariant, storedInterval);
        if (storedInterval.isValid()) {
            store("notifyInterval", storedInterval);
        }
        open();
        QTEST(widget<QSpinBox>("notifySpinBox")->value(), "days");
        const QTime shown = widget<QTimeEdit>("notifyTimeEdit")->time();
        QTEST(QTime(shown.hour(), shown.minute()), "time");
        QTEST(!widget<QTimeEdit>("notifyTimeEdit")->toolTip().isEmpty(), "tooltip");
        QVERIFY(!ok()->isEnabled()); // filling the widgets is no change
        widget<QCheckBox>("hideTrayCheckBox")->toggle();
        QVERIFY(ok()->isEnabled());
        ok()->click();
        QCOMPARE(stored("notifyInterval").toInt(), storedInterval.toInt()); // shown, not changed: not written
    }

    void fifteenMinutesAtLeast()
    {
        store("notifyInterval", 86400 + 300);
        open();
        widget<QSpinBox>("notifySpinBox")->setValue(0);
        QCOMPARE(widget<QTimeEdit>("notifyTimeEdit")->time(), QTime(0, 15));
        QVERIFY(!widget<QTimeEdit>("notifyTimeEdit")->toolTip().isEmpty());
        QCOMPARE(
            widget<QLabel>("nextCheckLabel")->text(), QStringLiteral("Next notification will be at 2026-12-07 10:15"));
        widget<QSpinBox>("notifySpinBox")->setValue(1);
        QCOMPARE(widget<QTimeEdit>("notifyTimeEdit")->minimumTime(), QTime(0, 0));
        QCOMPARE(widget<QTimeEdit>("notifyTimeEdit")->time(), QTime(0, 15));
        widget<QTimeEdit>("notifyTimeEdit")->setTime(QTime(2, 15));
        ok()->click();
        QCOMPARE(stored("notifyInterval").toInt(), 94500);
        QCOMPARE(stored("nextNotifyDate").toDateTime(), now.addSecs(94500));
    }

    void hideDelay_data()
    {
        QTest::addColumn<int>("storedMs");
        QTest::addColumn<int>("shown");
        QTest::newRow("below the minimum") << 1000 << 3;
        QTest::newRow("truncated") << 5999 << 5;
        QTest::newRow("above the maximum") << 400000 << 360;
    }
    void hideDelay()
    {
        QFETCH(int, storedMs);
        store("hideTrayDelay", storedMs);
        open();
        QTEST(widget<QSpinBox>("hideTrayDelaySpinBox")->value(), "shown");
    }

    void deferredTickIsRemembered()
    {
        open();
        auto* hide = widget<QCheckBox>("hideTrayCheckBox");
        auto* deferred = widget<QCheckBox>("hideTrayDeferredCheckBox");
        QVERIFY(deferred->isChecked()); // what the program uses when nothing is stored
        hide->setChecked(false);
        QVERIFY(!deferred->isChecked() && !deferred->isEnabled());
        hide->setChecked(true);
        QVERIFY(deferred->isChecked());
        hide->setChecked(false);
        ok()->click();
        QCOMPARE(stored("hideTrayDeferred").toBool(), false);
        QCOMPARE(stored("hideTray").toBool(), false);
    }

    // Reset is the user's own change: OK ends the postponement and restarts the schedule, and writes nothing else.
    void resetEndsPostponement()
    {
        SettingsStore::savePostponement(172800, now.addSecs(-3600));
        open();
        QCOMPARE(
            widget<QLabel>("nextCheckLabel")->text(), QStringLiteral("Notification is deferred to 2026-12-09 09:00"));
        QVERIFY(!widget<QSpinBox>("notifySpinBox")->isEnabled());
        widget<QPushButton>("resetDeferredNotificationButton")->click();
        QCOMPARE(
            widget<QLabel>("nextCheckLabel")->text(), QStringLiteral("Next notification will be at 2026-12-08 10:00"));
        QVERIFY(widget<QSpinBox>("notifySpinBox")->isEnabled());
        ok()->click();
        QCOMPARE(stored("skipNotificationDelay").toLongLong(), -1);
        QCOMPARE(stored("nextNotifyDate").toDateTime(), now.addDays(1));
        QCOMPARE(storedKeys(), 3); // and the postponement's start
    }

    // The tray menu and the schedule write while the window is open: OK keeps both and adds the one change.
    void okKeepsWhatChangedMeanwhile()
    {
        open();
        SettingsStore::savePostponement(172800, now);
        SettingsStore::saveNextNotifyDate(now.addDays(2));
        widget<QSpinBox>("hideTrayDelaySpinBox")->setValue(7);
        ok()->click();
        QCOMPARE(stored("skipNotificationDelay").toLongLong(), 172800);
        QCOMPARE(stored("skipNotificationSince").toDateTime(), now);
        QCOMPARE(stored("nextNotifyDate").toDateTime(), now.addDays(2));
        QCOMPARE(stored("hideTrayDelay").toInt(), 7000);
        QCOMPARE(storedKeys(), 4);
        dialog->show(); // and the next opening shows the postponement
        QVERIFY(widget<QPushButton>("resetDeferredNotificationButton")->isEnabled());
    }

    void helpOnF1()
    {
        open();
        QSignalSpy help(dialog.get(), &SettingsDialog::helpRequested);
        QApplication::setActiveWindow(dialog.get());
        QTest::keyClick(dialog.get(), Qt::Key_F1);
        QCOMPARE(help.size(), 1);
    }
};

ZIB_UNIT_MAIN(SettingsDialogTest)
#include "tst_settingsdialog.moc"
