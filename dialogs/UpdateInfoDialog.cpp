#include "UpdateInfoDialog.h"

UpdateInfoDialog::UpdateInfoDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("UpdateInfoDialog"));
    setWindowTitle(tr("System update"));
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    resize(420, 176);
    setMinimumSize(420, 150);
    setMaximumSize(800, 320);
}

bool UpdateInfoDialog::rebootNowChecked() const
{
    return false;
}

void UpdateInfoDialog::setDialogData(
    State state, QDateTime updateDate, QString currentVersion, QString updateVersion, bool inProgress)
{
    Q_UNUSED(updateDate)
    Q_UNUSED(currentVersion)
    Q_UNUSED(updateVersion)
    if (!inProgress) {
        m_lastState = state;
    }
}
