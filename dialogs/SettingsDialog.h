// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "SettingsStore.h"

#include <QDateTime>
#include <QDialog>

#include <functional>
#include <memory>

class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTimeEdit;

// The reminder interval, the next reminder date, a postponement in force and the tray hiding. Each
// time it is shown it loads the stored values afresh, and OK writes only what the user changed, so a
// postponement or schedule step stored while it is open survives.
class SettingsDialog : public QDialog
{
    Q_OBJECT
public:
    using NowFunction = std::function<QDateTime()>;
    explicit SettingsDialog(NowFunction now = &QDateTime::currentDateTime, QWidget* parent = nullptr);
    ~SettingsDialog() override;

public Q_SLOTS:
    void accept() override;

Q_SIGNALS:
    void helpRequested();

protected:
    void showEvent(QShowEvent* event) override;

private Q_SLOTS:
    void resetDefer();
    void updateNextDate(int newVal);
    void updateNextDate(QTime time);

private:
    struct Ui
    {
        QCheckBox* hideTrayCheckBox;
        QLabel* hideTrayDelayLabel;
        QSpinBox* hideTrayDelaySpinBox;
        QCheckBox* hideTrayDeferredCheckBox;
        QSpinBox* notifySpinBox;
        QTimeEdit* notifyTimeEdit;
        QLabel* nextCheckLabel;
        QPushButton* resetDeferredNotificationButton;
        QDialogButtonBox* buttonBox;
    };

    void setupUi();
    void load();
    void setIntervalWidgets(int seconds);
    void applyMinimumTime();
    int intervalSeconds() const;
    void showNextDate();
    void onHideTrayStateChanged(int state);
    SettingsStore::Values windowValues() const;

    std::unique_ptr<Ui> ui;
    NowFunction m_now;
    qint64 m_skipNotificationDelay = -1;
    bool m_hideTrayDeferred = true;
    QDateTime m_nextNotifyDate;
    SettingsStore::Values m_shown; // windowValues() right after loading
};
