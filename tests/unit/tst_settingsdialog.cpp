// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

// The settings window, offscreen: how it shows the stored values and what OK writes back.
#include "SettingsDialog.h"
#include "SysRoot.h"
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

QSettings settings()
{
    return QSettings(QStringLiteral("TarnoLinux"), QStringLiteral("zib-update-notifier"));
}
// The administrator's file, whose values are the defaults.
QString adminFile()
{
    return SysRoot::path(QStringLiteral("/etc/xdg/TarnoLinux/zib-update-notifier.conf"));
}
QVariant stored(const char* key)
{
    return settings().value(QLatin1String("General/") + QLatin1String(key));
}
} // namespace

class SettingsDialogTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<SettingsDialog> dialog;

    template<typename T>
    T* widget(const char* name) const
    {
        return dialog->findChild<T*>(QLatin1String(name));
    }
    QPushButton* ok() const { return widget<QDialogButtonBox>("buttonBox")->button(QDialogButtonBox::Ok); }
    QString nextCheck() const { return widget<QLabel>("nextCheckLabel")->text(); }
    void open()
    {
        dialog = std::make_unique<SettingsDialog>([] { return now; });
        dialog->show();
    }

private Q_SLOTS:
    void init()
    {
        QFile::remove(settings().fileName());
        QFile::remove(adminFile());
    }

    // Filling the widgets is no change, and OK writes only what the user changed, not what was shown: also
    // not the administrator's defaults, so that a later change of theirs still reaches the user.
    void storedValuesShown_data()
    {
        QTest::addColumn<QVariant>("storedInterval");
        QTest::addColumn<int>("days");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<bool>("tooltip");
        QTest::addColumn<QVariant>("storedDelayMs");
        QTest::addColumn<int>("delay");
        QTest::addColumn<bool>("admin"); // the values are stored in the administrator's file
        QTest::newRow("absent") << QVariant() << 1 << QTime(0, 0) << false << QVariant() << 5 << false;
        QTest::newRow("an hour; 1 s") << QVariant(3600) << 0 << QTime(1, 0) << true << QVariant(1000) << 3 << false;
        QTest::newRow("10 min; 5.999 s") << QVariant(600) << 0 << QTime(0, 15) << true << QVariant(5999) << 5 << false;
        QTest::newRow("odd second; 400 s")
            << QVariant(90061) << 1 << QTime(1, 1, 1) << false << QVariant(400000) << 360 << false;
        QTest::newRow("administrator's hour; 1 s")
            << QVariant(3600) << 0 << QTime(1, 0) << true << QVariant(1000) << 3 << true;
    }
    void storedValuesShown()
    {
        QFETCH(QVariant, storedInterval);
        QFETCH(QVariant, storedDelayMs);
        QFETCH(bool, admin);
        QSettings file(admin ? adminFile() : settings().fileName(), QSettings::IniFormat);
        if (storedInterval.isValid()) {
            file.setValue(QStringLiteral("General/notifyInterval"), storedInterval);
            file.setValue(QStringLiteral("General/hideTrayDelay"), storedDelayMs);
            file.sync();
        }
        open();
        QTEST(widget<QSpinBox>("notifySpinBox")->value(), "days");
        QTEST(widget<QTimeEdit>("notifyTimeEdit")->time(), "time");
        QTEST(!widget<QTimeEdit>("notifyTimeEdit")->toolTip().isEmpty(), "tooltip");
        QTEST(widget<QSpinBox>("hideTrayDelaySpinBox")->value(), "delay");
        QVERIFY(!ok()->isEnabled() && !widget<QPushButton>("resetDeferredNotificationButton")->isEnabled());
        widget<QCheckBox>("hideTrayCheckBox")->toggle();
        QVERIFY(ok()->isEnabled());
        ok()->click();
        QCOMPARE(stored("notifyInterval").toInt(), storedInterval.toInt());
        QCOMPARE(stored("hideTrayDelay").toInt(), storedDelayMs.toInt());
        if (admin) {
            file.setValue(QStringLiteral("General/notifyInterval"), 7200);
            file.sync();
            dialog->show();
            QCOMPARE(widget<QTimeEdit>("notifyTimeEdit")->time(), QTime(2, 0));
        }
    }

    void fifteenMinutesAtLeast()
    {
        settings().setValue(QStringLiteral("General/notifyInterval"), 86400 + 300);
        open();
        widget<QSpinBox>("notifySpinBox")->setValue(0);
        QCOMPARE(widget<QTimeEdit>("notifyTimeEdit")->time(), QTime(0, 15));
        QCOMPARE(nextCheck(), QStringLiteral("Next notification will be at 2026-12-07 10:15"));
        widget<QSpinBox>("notifySpinBox")->setValue(1);
        QCOMPARE(widget<QTimeEdit>("notifyTimeEdit")->minimumTime(), QTime(0, 0));
        widget<QTimeEdit>("notifyTimeEdit")->setTime(QTime(2, 15));
        ok()->click();
        QCOMPARE(stored("notifyInterval").toInt(), 94500);
        QCOMPARE(stored("nextNotifyDate").toDateTime(), now.addSecs(94500));
    }

    // "Hide when deferred" follows "hide the icon" and keeps its own tick meanwhile; F1 asks for help.
    void deferredTickIsRemembered()
    {
        open();
        auto* hide = widget<QCheckBox>("hideTrayCheckBox");
        auto* deferred = widget<QCheckBox>("hideTrayDeferredCheckBox");
        hide->setChecked(false);
        QVERIFY(!deferred->isChecked() && !deferred->isEnabled());
        hide->setChecked(true);
        QVERIFY(deferred->isChecked()); // as it was, and as it is when nothing is stored
        deferred->setChecked(false);
        hide->setChecked(false);
        hide->setChecked(true);
        QVERIFY(!deferred->isChecked());
        hide->setChecked(false);
        QSignalSpy help(dialog.get(), &SettingsDialog::helpRequested);
        QApplication::setActiveWindow(dialog.get());
        QTest::keyClick(dialog.get(), Qt::Key_F1);
        QCOMPARE(help.size(), 1);
        ok()->click();
        QCOMPARE(stored("hideTrayDeferred").toString(), QStringLiteral("false"));
        QCOMPARE(stored("hideTray").toBool(), false);
    }

    // The tray menu and the schedule write while the window is open: OK keeps both and adds the one change,
    // and the next opening shows the postponement. Reset is the user's own change: OK then ends the
    // postponement and restarts the schedule.
    void postponementMeanwhileAndReset()
    {
        open();
        SettingsStore::savePostponement(172800, now.addSecs(-3600));
        SettingsStore::saveNextNotifyDate(now.addDays(2));
        widget<QSpinBox>("hideTrayDelaySpinBox")->setValue(7);
        ok()->click();
        QCOMPARE(stored("skipNotificationDelay").toLongLong(), 172800);
        QCOMPARE(stored("nextNotifyDate").toDateTime(), now.addDays(2));
        QCOMPARE(stored("hideTrayDelay").toInt(), 7000);
        QCOMPARE(settings().allKeys().size(), 4);
        dialog->show();
        QCOMPARE(nextCheck(), QStringLiteral("Notification is deferred to 2026-12-09 09:00"));
        QVERIFY(!widget<QSpinBox>("notifySpinBox")->isEnabled());
        widget<QPushButton>("resetDeferredNotificationButton")->click();
        QCOMPARE(nextCheck(), QStringLiteral("Next notification will be at 2026-12-08 10:00"));
        QVERIFY(widget<QSpinBox>("notifySpinBox")->isEnabled());
        ok()->click();
        QCOMPARE(stored("skipNotificationDelay").toLongLong(), -1);
        QCOMPARE(stored("nextNotifyDate").toDateTime(), now.addDays(1));
    }
};

ZIB_UNIT_MAIN(SettingsDialogTest)
#include "tst_settingsdialog.moc"
