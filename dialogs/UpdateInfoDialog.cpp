#include "UpdateInfoDialog.h"

#include "Constants.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

UpdateInfoDialog::UpdateInfoDialog(NowFunction now, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui>()), m_now(std::move(now))
{
    setupUi();
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

void UpdateInfoDialog::setDialogData(
    State state, QDateTime updateDate, QString currentVersion, QString updateVersion, bool inProgress)
{
    // A click does nothing until a view below offers the button again.
    disconnect(ui->changeStateButton, nullptr, nullptr, nullptr);
    ui->changeStateButton->setEnabled(false);
    ui->progressBar->setEnabled(false);
    ui->progressBar->setValue(0);

    if (inProgress) {
        ui->shortInfoLabel->setText(tr("Please, wait..."));
        ui->fullInfoLabel->hide();
        ui->rebootNowChB->setChecked(false);
        ui->rebootNowChB->setEnabled(false);
        ui->progressBar->setMaximum(0); // busy
        adjustSize();
        return;
    }
    // The same state again keeps the user's tick in "Reboot now".
    if (state != m_lastState) {
        ui->rebootNowChB->setChecked(false);
        ui->rebootNowChB->setEnabled(false);
        m_lastState = state;
    }

    const QString arrow = tr("%1 -> %2").arg(currentVersion, updateVersion);
    const QString forced = updateDate.toString(dateTimeFormat);
    QString shortText;
    QString fullText;
    switch (state) {
    case UpdateUnavailable:
        shortText = tr("Current version is %1\n").arg(currentVersion) + tr("No available updates detected");
        ui->rebootNowChB->setChecked(false);
        ui->rebootNowChB->setEnabled(false);
        break;
    case UpdateReady:
    case UpgradeReady:
        ui->changeStateButton->setText(tr("Update on reboot"));
        shortText = tr("New system update is available\n") + arrow;
        if (updateDate.isValid()) {
            fullText = tr("The forced update date is %1").arg(forced);
        }
        offer(false, true);
        m_waitLimit = state == UpdateReady ? 10 : 30;
        break;
    case UpdateSet:
    case UpgradeSet:
        ui->changeStateButton->setText(tr("Postpone the update"));
        shortText = tr("The system will be updated on the next reboot\n") + arrow;
        if (!updateDate.isValid()) {
            offer(true, false);
        } else if (m_now() < updateDate) {
            fullText = tr("The forced update date is %1").arg(forced);
            offer(true, true);
        } else {
            // The date has come: nothing can be put off any more.
            fullText = tr("You can't postpone the update. \nThe forced update date was: %1").arg(forced);
        }
        ui->rebootNowChB->setEnabled(true);
        m_waitLimit = state == UpdateSet ? 10 : 30;
        break;
    case InitError:
        shortText = tr("Unable to connect to the service tarno-update-service");
        break;
    case ReplyError:
        shortText = tr("Some problems with the service reply, please wait");
        break;
    case Disabled:
        shortText = tr("The service tarno-update-service is disabled");
        break;
    }

    ui->progressBar->setMaximum(m_waitLimit);
    ui->shortInfoLabel->setText(shortText);
    if (!fullText.isEmpty()) {
        ui->fullInfoLabel->setText(fullText);
        ui->fullInfoLabel->show();
    } else {
        ui->fullInfoLabel->hide();
    }
    adjustSize();
    // New data ends a running wait.
    if (m_waiting) {
        stopWaiting();
    }
}

void UpdateInfoDialog::offer(bool disable, bool progress)
{
    ui->changeStateButton->setEnabled(true);
    ui->progressBar->setEnabled(progress);
    connect(ui->changeStateButton, &QPushButton::clicked, this, [this, disable] { startWaiting(disable); });
}

void UpdateInfoDialog::startWaiting(bool disable)
{
    m_elapsedSeconds = 0;
    ui->progressBar->setValue(0);
    if (!m_waitTimer) {
        m_waitTimer = new QTimer(this);
        m_waitTimer->setObjectName(QStringLiteral("waitTimer"));
        m_waitTimer->setInterval(1000);
        connect(m_waitTimer, &QTimer::timeout, this, &UpdateInfoDialog::onWaitTick);
    }
    m_waiting = true;
    m_waitTimer->start();
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
    m_waitTimer->stop();
    setEnabled(true);
    ui->progressBar->setValue(0);
}
