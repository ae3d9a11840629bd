#include "SettingsDialog.h"

SettingsDialog::SettingsDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SettingsDialog"));
    setWindowTitle(tr("Settings"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    resize(420, 220);
    setMinimumSize(420, 220);
    setMaximumSize(800, 320);
}

void SettingsDialog::accept()
{
    QDialog::accept();
}
