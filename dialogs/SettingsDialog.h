#pragma once

#include <QDialog>

// Reminder interval, postponement and tray-hiding options. Its form comes with the settings work;
// for now it is an empty window that the core can open, raise, accept and reject.
class SettingsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit SettingsDialog(QWidget* parent = nullptr);

public Q_SLOTS:
    void accept() override;
};
