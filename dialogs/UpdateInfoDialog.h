#pragma once

#include "State.h"

#include <QDateTime>
#include <QDialog>

#include <functional>
#include <memory>

class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

// The status window opened from the tray. The core pushes every state into it; a click on its button
// starts a wait and asks the core to switch the update on the next reboot on or off.
class UpdateInfoDialog : public QDialog
{
    Q_OBJECT
public:
    using NowFunction = std::function<QDateTime()>;
    explicit UpdateInfoDialog(NowFunction now = &QDateTime::currentDateTime, QWidget* parent = nullptr);
    ~UpdateInfoDialog() override;

    bool rebootNowChecked() const;

public Q_SLOTS:
    void setDialogData(
        State state, QDateTime updateDate, QString currentVersion, QString updateVersion, bool inProgress = false);

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
    void offer(bool disable, bool progress);
    void startWaiting(bool disable);
    void onWaitTick();
    void stopWaiting();

    std::unique_ptr<Ui> ui;
    NowFunction m_now;
    int m_elapsedSeconds = 0;
    int m_waitLimit = 10;
    QTimer* m_waitTimer = nullptr;
    bool m_waiting = false;
    int m_lastState = UpdateUnavailable;
};
