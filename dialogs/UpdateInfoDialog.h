// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "State.h"
#include "StateView.h"
#include "Timer.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QProgressBar;
class QPushButton;

// The status window opened from the tray. The core pushes every state into it; a click on its button
// starts a wait and asks the core to switch the update on the next reboot on or off.
class UpdateInfoDialog : public QDialog
{
    Q_OBJECT
public:
    explicit UpdateInfoDialog(Clock& clock, QWidget* parent = nullptr);
    ~UpdateInfoDialog() override;

    bool rebootNowChecked() const;

public Q_SLOTS:
    // What a state shows here is derived elsewhere; the window keeps the user's "Reboot now" tick while
    // the state stays the same.
    void setDialogData(State state, const InfoView& view);

Q_SIGNALS:
    void enableRequest();
    void disableRequest();

private:
    struct Ui
    {
        QLabel* shortInfoLabel;
        QLabel* fullInfoLabel;
        QPushButton* changeStateButton;
        QProgressBar* progressBar;
        QCheckBox* rebootNowChB;
        QDialogButtonBox* buttonBox;
    };

    void setupUi();
    void startWaiting(bool disable);
    void onWaitTick();
    void stopWaiting();

    std::unique_ptr<Ui> ui;
    int m_elapsedSeconds = 0;
    int m_waitLimit = 10;
    Timer m_waitTimer;
    bool m_waiting = false;
    State m_lastState = State::UpdateUnavailable;
};
