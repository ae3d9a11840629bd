// The settings window, offscreen: how it shows the stored values and what OK writes back.
#include "Constants.h"
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
        return QSettings(settingsOrganization, settingsApplication)
            .value(QLatin1String("General/") + QLatin1String(key));
    }
    static void store(const char* key, const QVariant& value)
    {
        QSettings(settingsOrganization, settingsApplication)
            .setValue(QLatin1String("General/") + QLatin1String(key), value);
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
    void init() { QFile::remove(QSettings(settingsOrganization, settingsApplication).fileName()); }

    void interval_data()
    {
        QTest::addColumn<QVariant>("storedInterval");
        QTest::addColumn<int>("days");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<bool>("tooltip");
        QTest::addColumn<int>("written");
        QTest::newRow("absent") << QVariant() << 1 << QTime(0, 0) << false << 86400;
        QTest::newRow("a day") << QVariant(86400) << 1 << QTime(0, 0) << false << 86400;
        QTest::newRow("an hour") << QVariant(3600) << 0 << QTime(1, 0) << true << 3600;
        QTest::newRow("ten minutes") << QVariant(600) << 0 << QTime(0, 15) << true << 900;
        QTest::newRow("odd second") << QVariant(86400 + 3600 + 61) << 1 << QTime(1, 1) << false << 90060;
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
        QTEST(stored("notifyInterval").toInt(), "written");
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

    void deferredViewAndReset()
    {
        store("skipNotificationDelay", qint64(172800));
        store("skipNotificationSince", now.addSecs(-3600));
        store("nextNotifyDate", now.addDays(3));
        open();
        QCOMPARE(
            widget<QLabel>("nextCheckLabel")->text(), QStringLiteral("Notification is deferred to 2026-12-09 09:00"));
        QVERIFY(!widget<QSpinBox>("notifySpinBox")->isEnabled());
        QVERIFY(widget<QPushButton>("resetDeferredNotificationButton")->isEnabled());
        widget<QSpinBox>("hideTrayDelaySpinBox")->setValue(10);
        ok()->click();
        QCOMPARE(stored("nextNotifyDate").toDateTime(), now.addDays(3)); // carried through, never invalid
        QCOMPARE(stored("skipNotificationDelay").toLongLong(), 172800);

        dialog->show();
        widget<QPushButton>("resetDeferredNotificationButton")->click();
        QCOMPARE(
            widget<QLabel>("nextCheckLabel")->text(), QStringLiteral("Next notification will be at 2026-12-08 10:00"));
        QVERIFY(widget<QSpinBox>("notifySpinBox")->isEnabled());
        QVERIFY(ok()->isEnabled());
        ok()->click();
        QCOMPARE(stored("skipNotificationDelay").toLongLong(), -1);
    }

    // A postponement chosen from the tray while the window was closed survives an OK.
    void showingAgainLoadsAfresh()
    {
        open();
        dialog->reject();
        store("skipNotificationDelay", qint64(172800));
        store("skipNotificationSince", now);
        dialog->show();
        QVERIFY(widget<QPushButton>("resetDeferredNotificationButton")->isEnabled());
        widget<QSpinBox>("hideTrayDelaySpinBox")->setValue(7);
        ok()->click();
        QCOMPARE(stored("skipNotificationDelay").toLongLong(), 172800);
        QCOMPARE(stored("hideTrayDelay").toInt(), 7000);
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
