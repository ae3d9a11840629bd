// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "UpdateInfoDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

UpdateInfoDialog::UpdateInfoDialog(Clock& clock, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui>()), m_waitTimer(clock, 1000, false, this)
{
    setupUi();
    connect(&m_waitTimer, &Timer::timeout, this, &UpdateInfoDialog::onWaitTick);
}

UpdateInfoDialog::~UpdateInfoDialog() = default;

void UpdateInfoDialog::setupUi()
{
    setObjectName(QStringLiteral("UpdateInfoDialog"));
    setWindowTitle(tr("System update"));
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    resize(420, 176);
    setMinimumSize(420, 150);
    setMaximumSize(800, 320);

    auto* verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    ui->shortInfoLabel = new QLabel(QStringLiteral("The system is up to date"), this);
    ui->shortInfoLabel->setObjectName(QStringLiteral("shortInfoLabel"));
    ui->shortInfoLabel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    ui->shortInfoLabel->setAlignment(Qt::AlignCenter);
    ui->shortInfoLabel->setWordWrap(true);
    ui->fullInfoLabel = new QLabel(this);
    ui->fullInfoLabel->setObjectName(QStringLiteral("fullInfoLabel"));
    ui->changeStateButton = new QPushButton(tr("Enable update state"), this);
    ui->changeStateButton->setObjectName(QStringLiteral("changeStateButton"));
    ui->progressBar = new QProgressBar(this);
    ui->progressBar->setObjectName(QStringLiteral("progressBar"));
    ui->progressBar->setMaximum(100);
    ui->progressBar->setValue(0);
    ui->progressBar->setTextVisible(false);
    ui->rebootNowChB = new QCheckBox(tr("Reboot now"), this);
    ui->rebootNowChB->setObjectName(QStringLiteral("rebootNowChB"));
    ui->buttonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Close, this);
    ui->buttonBox->setObjectName(QStringLiteral("buttonBox"));
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    for (QWidget* widget : {static_cast<QWidget*>(ui->shortInfoLabel), static_cast<QWidget*>(ui->fullInfoLabel),
             static_cast<QWidget*>(ui->changeStateButton), static_cast<QWidget*>(ui->progressBar),
             static_cast<QWidget*>(ui->rebootNowChB), static_cast<QWidget*>(ui->buttonBox)}) {
        verticalLayout->addWidget(widget);
    }
}

bool UpdateInfoDialog::rebootNowChecked() const
{
    return ui->rebootNowChB->isChecked();
}

void UpdateInfoDialog::setDialogData(State state, const InfoView& view)
{
    // A click does nothing until the view offers the button again.
    disconnect(ui->changeStateButton, nullptr, nullptr, nullptr);
    ui->changeStateButton->setEnabled(false);
    ui->progressBar->setEnabled(false);
    ui->progressBar->setValue(0);

    if (view.waiting) {
        ui->shortInfoLabel->setText(view.shortText);
        ui->fullInfoLabel->hide();
        ui->rebootNowChB->setChecked(false);
        ui->rebootNowChB->setEnabled(false);
        ui->progressBar->setMaximum(0); // busy
        adjustSize();
        return;
    }
    // The same state again keeps the user's tick in "Reboot now".
    if (state != m_lastState || !view.rebootAllowed) {
        ui->rebootNowChB->setChecked(false);
        m_lastState = state;
    }
    ui->rebootNowChB->setEnabled(view.rebootAllowed);
    if (view.buttonText) {
        ui->changeStateButton->setText(*view.buttonText);
    }
    if (view.button != InfoView::NoButton) {
        const bool disable = view.button == InfoView::Disable;
        ui->changeStateButton->setEnabled(true);
        ui->progressBar->setEnabled(view.progress);
        connect(ui->changeStateButton, &QPushButton::clicked, this, [this, disable] { startWaiting(disable); });
    }
    if (view.waitLimit) {
        m_waitLimit = *view.waitLimit;
    }

    ui->progressBar->setMaximum(m_waitLimit);
    ui->shortInfoLabel->setText(view.shortText);
    ui->fullInfoLabel->setText(view.fullText);
    ui->fullInfoLabel->setVisible(!view.fullText.isEmpty());
    adjustSize();
    // New data ends a running wait.
    if (m_waiting) {
        stopWaiting();
    }
}

void UpdateInfoDialog::startWaiting(bool disable)
{
    m_elapsedSeconds = 0;
    ui->progressBar->setValue(0);
    m_waiting = true;
    m_waitTimer.start();
    setEnabled(false);
    // Last: the answer may come back into setDialogData before the emit returns, and must find the
    // wait running.
    if (disable) {
        Q_EMIT disableRequest();
    } else {
        Q_EMIT enableRequest();
    }
}

void UpdateInfoDialog::onWaitTick()
{
    ++m_elapsedSeconds;
    if (m_elapsedSeconds < ui->progressBar->maximum()) {
        ui->progressBar->setValue(m_elapsedSeconds);
    } else {
        stopWaiting();
    }
}

void UpdateInfoDialog::stopWaiting()
{
    m_waiting = false;
    m_waitTimer.stop();
    setEnabled(true);
    ui->progressBar->setValue(0);
}
