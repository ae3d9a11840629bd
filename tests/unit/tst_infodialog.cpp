// The information window, offscreen: each state's view, the "Reboot now" tick and the wait after a click.
#include "UnitMain.h"
#include "UpdateInfoDialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

namespace {
const QDateTime now(QDate(2026, 12, 7), QTime(10, 0));
}

class InfoDialogTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<UpdateInfoDialog> dialog;

    template<typename T>
    T* widget(const char* name) const
    {
        return dialog->findChild<T*>(QLatin1String(name));
    }
    QPushButton* button() const { return widget<QPushButton>("changeStateButton"); }
    QCheckBox* reboot() const { return widget<QCheckBox>("rebootNowChB"); }
    void show(int state, const QDateTime& date = QDateTime(), bool inProgress = false)
    {
        dialog->setDialogData(State(state), date, QStringLiteral("3.1.18"), QStringLiteral("3.1.19"), inProgress);
    }
    void tick() { QMetaObject::invokeMethod(dialog->findChild<QTimer*>(QStringLiteral("waitTimer")), "timeout"); }

private Q_SLOTS:
    void init()
    {
        dialog = std::make_unique<UpdateInfoDialog>([] { return now; });
        dialog->show();
    }

    void views_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("dueInSecs"); // 0: no date
        QTest::addColumn<QString>("shortText");
        QTest::addColumn<QString>("fullText"); // empty: hidden
        QTest::addColumn<QString>("buttonText");
        QTest::addColumn<bool>("buttonEnabled");
        const QString ready = QStringLiteral("New system update is available\n3.1.18 -> 3.1.19");
        const QString set = QStringLiteral("The system will be updated on the next reboot\n3.1.18 -> 3.1.19");
        QTest::newRow("none") << 0 << 0 << "Current version is 3.1.18\nNo available updates detected"
                              << ""
                              << "Enable update state" << false;
        QTest::newRow("ready") << 1 << 0 << ready << ""
                               << "Update on reboot" << true;
        QTest::newRow("ready, forced date") << 1 << 3600 << ready << "The forced update date is 11:00 07.12.2026"
                                            << "Update on reboot" << true;
        QTest::newRow("set") << 2 << 0 << set << ""
                             << "Postpone the update" << true;
        QTest::newRow("set, date ahead") << 2 << 60 << set << "The forced update date is 10:01 07.12.2026"
                                         << "Postpone the update" << true;
        QTest::newRow("unreachable") << 3 << 0 << "Unable to connect to the service tarno-update-service"
                                     << ""
                                     << "Enable update state" << false;
        QTest::newRow("faulty") << 4 << 0 << "Some problems with the service reply, please wait"
                                << ""
                                << "Enable update state" << false;
        QTest::newRow("upgrade set") << 7 << 0 << set << ""
                                     << "Postpone the update" << true;
    }
    void views()
    {
        QFETCH(int, state);
        QFETCH(int, dueInSecs);
        QFETCH(QString, fullText);
        show(state, dueInSecs ? now.addSecs(dueInSecs) : QDateTime());
        QTEST(widget<QLabel>("shortInfoLabel")->text(), "shortText");
        QCOMPARE(widget<QLabel>("fullInfoLabel")->isVisible(), !fullText.isEmpty());
        if (!fullText.isEmpty()) {
            QCOMPARE(widget<QLabel>("fullInfoLabel")->text(), fullText);
        }
        QTEST(button()->text(), "buttonText");
        QTEST(button()->isEnabled(), "buttonEnabled");
    }

    // A forced date equal to now has come: the update can no longer be put off.
    void forcedDateNowCountsAsPassed()
    {
        show(2, now);
        QCOMPARE(widget<QLabel>("fullInfoLabel")->text(),
            QStringLiteral("You can't postpone the update. \nThe forced update date was: 10:00 07.12.2026"));
        QVERIFY(!button()->isEnabled());
        QVERIFY(!widget<QProgressBar>("progressBar")->isEnabled());
    }

    void rebootTickKeptForTheSameState()
    {
        show(2);
        reboot()->setChecked(true);
        show(2);
        QVERIFY(dialog->rebootNowChecked());
        show(7);
        QVERIFY(!dialog->rebootNowChecked());
    }

    void waitEndsWithDataOrAtItsLimit()
    {
        show(1);
        QSignalSpy enable(dialog.get(), &UpdateInfoDialog::enableRequest);
        button()->click();
        QCOMPARE(enable.size(), 1);
        QVERIFY(!dialog->isEnabled());
        tick();
        QCOMPARE(widget<QProgressBar>("progressBar")->value(), 1);
        show(2); // the answer arrived
        QVERIFY(dialog->isEnabled());
        QCOMPARE(widget<QProgressBar>("progressBar")->value(), 0);

        QSignalSpy disable(dialog.get(), &UpdateInfoDialog::disableRequest);
        button()->click();
        QCOMPARE(disable.size(), 1);
        for (int second = 1; second < 10; ++second) {
            tick();
        }
        QVERIFY(!dialog->isEnabled());
        tick(); // the tenth second ends it
        QVERIFY(dialog->isEnabled());
    }

    void inProgressView()
    {
        show(2);
        reboot()->setChecked(true);
        show(2, QDateTime(), true);
        QCOMPARE(widget<QLabel>("shortInfoLabel")->text(), QStringLiteral("Please, wait..."));
        QVERIFY(!widget<QLabel>("fullInfoLabel")->isVisible());
        QVERIFY(!reboot()->isChecked() && !reboot()->isEnabled());
        QVERIFY(!button()->isEnabled());
        QCOMPARE(widget<QProgressBar>("progressBar")->maximum(), 0);
        QSignalSpy disable(dialog.get(), &UpdateInfoDialog::disableRequest);
        button()->click();
        QVERIFY(disable.isEmpty());
    }
};

ZIB_UNIT_MAIN(InfoDialogTest)
#include "tst_infodialog.moc"
