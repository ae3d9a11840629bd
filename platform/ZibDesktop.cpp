#include "ZibDesktop.h"

#include "PlatformLogging.h"
#include "SysRoot.h"
#include "ZibHelpMenu.h"
#include "zibintegration.h"

#include <QMessageBox>

ZibDesktop::ZibDesktop()
{
    QObject::connect(&m_reboot, &QProcess::errorOccurred, &m_reboot, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            rebootEnded(false, m_reboot.errorString());
        }
    });
    QObject::connect(&m_reboot, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), &m_reboot,
        [this](int code, QProcess::ExitStatus status) {
            if (status != QProcess::NormalExit) {
                rebootEnded(false, QStringLiteral("crashed"));
            } else {
                rebootEnded(code == 0, QStringLiteral("exited with code %1").arg(code));
            }
        });
}

QMenu* ZibDesktop::createHelpMenu(QWidget* parent)
{
    return new ZibHelpMenu(parent);
}

void ZibDesktop::showHelp(const QString& topic)
{
    zibHelpShow(topic);
}

void ZibDesktop::showMessage(bool warning, const QString& title, const QString& text)
{
    if (warning) {
        QMessageBox::warning(nullptr, title, text, QMessageBox::Ok, QMessageBox::NoButton);
    } else {
        QMessageBox::information(nullptr, title, text, QMessageBox::Ok, QMessageBox::NoButton);
    }
}

void ZibDesktop::changeUpgradeState(bool enable, std::function<void(std::optional<QString> error)> done)
{
    m_admin.changeUpgradeState(enable, std::move(done));
}

void ZibDesktop::reboot(std::function<void(bool ok)> done)
{
    if (m_reboot.state() != QProcess::NotRunning) {
        return; // already on its way
    }
    m_rebootDone = std::move(done);
    m_reboot.setProgram(SysRoot::path(QStringLiteral("/usr/bin/zib-wmfunc")));
    m_reboot.setArguments({QStringLiteral("ZIBWM_REBOOT")});
    m_reboot.start(QIODevice::ReadWrite);
}

void ZibDesktop::rebootEnded(bool ok, const QString& why)
{
    if (!ok) {
        qCWarning(lcDesktop).noquote() << "reboot:" << m_reboot.program() << "ZIBWM_REBOOT" << why;
    }
    if (auto done = std::exchange(m_rebootDone, nullptr)) {
        done(ok);
    }
}
