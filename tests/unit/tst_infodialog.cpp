// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

// The information window, offscreen: how it shows a view, the "Reboot now" tick, and the wait after a
// click. What each state shows is derived elsewhere; the views here are the real ones.
#include "Fakes.h"
#include "UnitMain.h"
#include "UpdateInfoDialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>

class InfoDialogTest : public QObject
{
    Q_OBJECT

    FakeClock clock;
    std::unique_ptr<UpdateInfoDialog> dialog;

    template<typename T>
    T* widget(const char* name) const
    {
        return dialog->findChild<T*>(QLatin1String(name));
    }
    QPushButton* button() const { return widget<QPushButton>("changeStateButton"); }
    QCheckBox* reboot() const { return widget<QCheckBox>("rebootNowChB"); }
    void show(State state, const QDateTime& due = QDateTime(), bool inProgress = false)
    {
        StateFacts facts;
        facts.due = due;
        facts.inProgress = inProgress;
        dialog->setDialogData(state, StateViews::viewOf(state, facts, clock.now()).info);
    }

private Q_SLOTS:
    void init()
    {
        dialog = std::make_unique<UpdateInfoDialog>(clock);
        dialog->show();
    }

    // Another state, or a switch in progress, clears the tick.
    void rebootTickKeptForTheSameState()
    {
        show(State::UpdateSet);
        reboot()->setChecked(true);
        show(State::UpdateSet);
        QVERIFY(dialog->rebootNowChecked());
        show(State::UpgradeSet);
        QVERIFY(!dialog->rebootNowChecked());
        reboot()->setChecked(true);
        show(State::UpgradeSet, QDateTime(), true);
        QVERIFY(!reboot()->isChecked() && !reboot()->isEnabled());
        QCOMPARE(widget<QProgressBar>("progressBar")->maximum(), 0); // busy
    }

    // One click, one request, of the kind the view in force offers; then the window waits until data
    // comes, at most for the view's limit.
    void clickAsksOnceAndWaits()
    {
        QSignalSpy enable(dialog.get(), &UpdateInfoDialog::enableRequest);
        QSignalSpy disable(dialog.get(), &UpdateInfoDialog::disableRequest);
        show(State::UpdateReady);
        button()->click();
        QVERIFY(!dialog->isEnabled());
        clock.advance(1);
        QCOMPARE(widget<QProgressBar>("progressBar")->value(), 1);
        show(State::UpdateSet); // the answer arrived
        QVERIFY(dialog->isEnabled());
        button()->click();
        QCOMPARE(enable.size(), 1);
        QCOMPARE(disable.size(), 1);
        clock.advance(9);
        QVERIFY(!dialog->isEnabled());
        clock.advance(1); // the tenth second ends it
        QVERIFY(dialog->isEnabled());
        show(State::UpgradeReady);
        button()->click();
        clock.advance(29); // a release upgrade is given 30 s
        QVERIFY(!dialog->isEnabled());
        clock.advance(1);
        QVERIFY(dialog->isEnabled());
    }
};

ZIB_UNIT_MAIN(InfoDialogTest)
#include "tst_infodialog.moc"
