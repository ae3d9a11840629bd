// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "SettingsDialog.h"

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {
const QString shownDateFormat = QStringLiteral("yyyy-MM-dd HH:mm");
}

SettingsDialog::SettingsDialog(NowFunction now, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui>()), m_now(std::move(now))
{
    setupUi();

    connect(ui->notifySpinBox, qOverload<int>(&QSpinBox::valueChanged), this,
        qOverload<int>(&SettingsDialog::updateNextDate));
    connect(ui->notifyTimeEdit, &QTimeEdit::timeChanged, this, qOverload<QTime>(&SettingsDialog::updateNextDate));

    // OK becomes usable with the first change and stays usable.
    QPushButton* ok = ui->buttonBox->button(QDialogButtonBox::Ok);
    const auto enableOk = [ok] {
        ok->setEnabled(true);
    };
    for (QCheckBox* box : findChildren<QCheckBox*>()) {
        connect(box, &QCheckBox::toggled, ok, enableOk);
    }
    for (QSpinBox* box : findChildren<QSpinBox*>()) {
        connect(box, qOverload<int>(&QSpinBox::valueChanged), ok, enableOk);
    }
    connect(ui->notifyTimeEdit, &QTimeEdit::timeChanged, ok, enableOk);
    connect(ui->resetDeferredNotificationButton, &QPushButton::clicked, this, &SettingsDialog::resetDefer);
    connect(ui->resetDeferredNotificationButton, &QPushButton::clicked, ok, enableOk);
    connect(ui->hideTrayCheckBox, &QCheckBox::stateChanged, this, &SettingsDialog::onHideTrayStateChanged);

    auto* help = new QAction(this);
    help->setShortcut(QKeySequence::HelpContents);
    connect(help, &QAction::triggered, this, &SettingsDialog::helpRequested);
    addAction(help);

    load();
}

SettingsDialog::~SettingsDialog() = default;

void SettingsDialog::setupUi()
{
    setObjectName(QStringLiteral("SettingsDialog"));
    setWindowTitle(tr("Settings"));
    resize(420, 220);
    setMinimumSize(420, 220);
    setMaximumSize(800, 320);
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto* verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    const auto named = [](auto* widget, const char* name) {
        widget->setObjectName(QLatin1String(name));
        return widget;
    };

    ui->hideTrayCheckBox =
        named(new QCheckBox(tr("Hide tray icon if no updates are available"), this), "hideTrayCheckBox");
    verticalLayout->addWidget(ui->hideTrayCheckBox);

    auto* horizontalLayout = named(new QHBoxLayout(), "horizontalLayout");
    ui->hideTrayDelayLabel = named(new QLabel(tr("Tray icon hide delay:"), this), "hideTrayDelayLabel");
    ui->hideTrayDelaySpinBox = named(new QSpinBox(this), "hideTrayDelaySpinBox");
    ui->hideTrayDelaySpinBox->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    ui->hideTrayDelaySpinBox->setRange(3, 360);
    ui->hideTrayDelaySpinBox->setSuffix(tr("s"));
    ui->hideTrayDelayLabel->setEnabled(false);
    ui->hideTrayDelaySpinBox->setEnabled(false);
    horizontalLayout->addWidget(ui->hideTrayDelayLabel);
    horizontalLayout->addWidget(ui->hideTrayDelaySpinBox);
    verticalLayout->addLayout(horizontalLayout);

    ui->hideTrayDeferredCheckBox =
        named(new QCheckBox(tr("Hide tray icon when notification is deferred"), this), "hideTrayDeferredCheckBox");
    verticalLayout->addWidget(ui->hideTrayDeferredCheckBox);

    auto* horizontalLayout2 = named(new QHBoxLayout(), "horizontalLayout_2");
    horizontalLayout2->setSpacing(0);
    auto* every = named(new QLabel(tr("Show notification every:"), this), "label_4");
    every->setLayoutDirection(Qt::RightToLeft);
    ui->notifySpinBox = named(new QSpinBox(this), "notifySpinBox");
    ui->notifySpinBox->setRange(0, 7);
    ui->notifySpinBox->setSuffix(tr(" d"));
    ui->notifySpinBox->setEnabled(false);
    ui->notifyTimeEdit = named(new QTimeEdit(this), "notifyTimeEdit");
    ui->notifyTimeEdit->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    ui->notifyTimeEdit->setDisplayFormat(tr("h' h' m' m'"));
    ui->notifyTimeEdit->setCurrentSection(QDateTimeEdit::HourSection);
    ui->notifyTimeEdit->setEnabled(false);
    horizontalLayout2->addWidget(every, 1);
    horizontalLayout2->addWidget(ui->notifySpinBox);
    horizontalLayout2->addWidget(ui->notifyTimeEdit);
    verticalLayout->addLayout(horizontalLayout2);

    auto* horizontalLayout4 = named(new QHBoxLayout(), "horizontalLayout_4");
    ui->nextCheckLabel = named(new QLabel(QStringLiteral("..."), this), "nextCheckLabel");
    ui->nextCheckLabel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    ui->nextCheckLabel->setWordWrap(true);
    ui->resetDeferredNotificationButton = named(new QPushButton(tr("Reset"), this), "resetDeferredNotificationButton");
    horizontalLayout4->addWidget(ui->nextCheckLabel);
    horizontalLayout4->addWidget(ui->resetDeferredNotificationButton);
    verticalLayout->addLayout(horizontalLayout4);

    ui->buttonBox = named(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this), "buttonBox");
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &SettingsDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &SettingsDialog::reject);
    verticalLayout->addWidget(ui->buttonBox);
    adjustSize();
}

void SettingsDialog::showEvent(QShowEvent* event)
{
    // A cancelled opening's edits are dropped: the stored values may have moved on since.
    if (!event->spontaneous()) {
        load();
    }
    QDialog::showEvent(event);
}

void SettingsDialog::load()
{
    const QDateTime now = m_now();
    bool nextDateStored = false;
    const SettingsStore::Values stored = SettingsStore::read(now, &nextDateStored);
    {
        // Filling the widgets is no edit: neither the next date nor OK follow it.
        const QSignalBlocker days(ui->notifySpinBox);
        const QSignalBlocker time(ui->notifyTimeEdit);
        setIntervalWidgets(stored.notifyInterval);
    }
    {
        const QSignalBlocker hide(ui->hideTrayCheckBox);
        ui->hideTrayCheckBox->setChecked(stored.hideTray);
    }
    ui->hideTrayDelaySpinBox->setValue(stored.hideTrayDelayMs / 1000);
    m_hideTrayDeferred = stored.hideTrayDeferred;
    ui->hideTrayDelayLabel->setEnabled(stored.hideTray);
    ui->hideTrayDelaySpinBox->setEnabled(stored.hideTray);
    ui->hideTrayDeferredCheckBox->setEnabled(stored.hideTray);
    ui->hideTrayDeferredCheckBox->setChecked(stored.hideTray && m_hideTrayDeferred);

    m_skipNotificationDelay = stored.skipNotificationDelay;
    const bool deferred = SettingsStore::isPostponed(m_skipNotificationDelay, stored.skipNotificationSince, now);
    // The stored date is carried through the deferred view, so OK never writes an invalid one.
    m_nextNotifyDate = stored.nextNotifyDate;
    if (deferred) {
        const QDateTime end = stored.skipNotificationSince.addSecs(m_skipNotificationDelay);
        ui->nextCheckLabel->setText(tr("Notification is deferred to %1").arg(end.toString(shownDateFormat)));
    } else {
        if (!nextDateStored) {
            m_nextNotifyDate =
                now.addMSecs(ui->notifyTimeEdit->time().msecsSinceStartOfDay()).addDays(ui->notifySpinBox->value());
        }
        showNextDate();
    }
    ui->resetDeferredNotificationButton->setEnabled(deferred);
    ui->notifySpinBox->setEnabled(!deferred);
    ui->notifyTimeEdit->setEnabled(!deferred);
    ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(false);
    m_shown = windowValues();
}

void SettingsDialog::setIntervalWidgets(int seconds)
{
    if (seconds >= 86400) {
        ui->notifySpinBox->setValue(seconds / 86400);
        seconds %= 86400;
    } else {
        ui->notifySpinBox->setValue(0);
    }
    applyMinimumTime();
    ui->notifyTimeEdit->setTime(QTime(0, 0).addSecs(seconds));
}

// Below one day the interval may not fall under 15 minutes.
void SettingsDialog::applyMinimumTime()
{
    const bool underADay = ui->notifySpinBox->value() < 1;
    ui->notifyTimeEdit->setMinimumTime(underADay ? QTime(0, 15) : QTime(0, 0));
    ui->notifyTimeEdit->setToolTip(underADay ? tr("An interval less than 15 minutes is prohibited") : QString());
}

int SettingsDialog::intervalSeconds() const
{
    const QTime time = ui->notifyTimeEdit->time();
    return time.minute() * 60 + time.hour() * 3600 + ui->notifySpinBox->value() * 86400;
}

void SettingsDialog::showNextDate()
{
    ui->nextCheckLabel->setText(tr("Next notification will be at %1").arg(m_nextNotifyDate.toString(shownDateFormat)));
}

void SettingsDialog::updateNextDate(int)
{
    applyMinimumTime();
    updateNextDate(QTime());
}

void SettingsDialog::updateNextDate(QTime)
{
    m_nextNotifyDate =
        m_now().addMSecs(ui->notifyTimeEdit->time().msecsSinceStartOfDay()).addDays(ui->notifySpinBox->value());
    showNextDate();
}

void SettingsDialog::resetDefer()
{
    updateNextDate(QTime());
    ui->resetDeferredNotificationButton->setEnabled(false);
    m_skipNotificationDelay = -1;
    ui->notifySpinBox->setEnabled(true);
    ui->notifyTimeEdit->setEnabled(true);
}

void SettingsDialog::onHideTrayStateChanged(int state)
{
    const bool hiding = state != Qt::Unchecked;
    ui->hideTrayDelayLabel->setEnabled(hiding);
    ui->hideTrayDelaySpinBox->setEnabled(hiding);
    ui->hideTrayDeferredCheckBox->setEnabled(hiding);
    if (!hiding) {
        // Remembered, so ticking "hide" again brings the deferred tick back.
        m_hideTrayDeferred = ui->hideTrayDeferredCheckBox->isChecked();
        ui->hideTrayDeferredCheckBox->setChecked(false);
    } else if (m_hideTrayDeferred) {
        ui->hideTrayDeferredCheckBox->setChecked(true);
    }
}

// What OK would write, taken from the widgets and members.
SettingsStore::Values SettingsDialog::windowValues() const
{
    SettingsStore::Values values;
    values.notifyInterval = intervalSeconds();
    values.nextNotifyDate = m_nextNotifyDate;
    values.hideTray = ui->hideTrayCheckBox->isChecked();
    values.hideTrayDelayMs = ui->hideTrayDelaySpinBox->value() * 1000;
    values.hideTrayDeferred = ui->hideTrayDeferredCheckBox->isChecked();
    values.skipNotificationDelay = m_skipNotificationDelay;
    return values;
}

void SettingsDialog::accept()
{
    SettingsStore::saveEdited(m_shown, windowValues());
    QDialog::accept();
}
