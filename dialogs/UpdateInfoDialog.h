#pragma once

#include "State.h"

#include <QDateTime>
#include <QDialog>

// The status window opened from the tray. The core pushes every state into it; its form comes with
// the information-dialog work, so for now it is an empty window that keeps what it was given.
class UpdateInfoDialog : public QDialog
{
    Q_OBJECT
public:
    explicit UpdateInfoDialog(QWidget* parent = nullptr);

    bool rebootNowChecked() const;

public Q_SLOTS:
    void setDialogData(
        State state, QDateTime updateDate, QString currentVersion, QString updateVersion, bool inProgress = false);

Q_SIGNALS:
    void enableRequest();
    void disableRequest();

private:
    int m_lastState = UpdateUnavailable;
};
