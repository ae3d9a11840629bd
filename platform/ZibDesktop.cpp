// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

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

ZibDesktop::~ZibDesktop()
{
    // Closed by the program's end, not by the user: a box deleted unfinished tells nobody.
    qDeleteAll(m_boxes);
}

QMenu* ZibDesktop::createHelpMenu(QWidget* parent)
{
    return new ZibHelpMenu(parent);
}

void ZibDesktop::showHelp(const QString& topic)
{
    zibHelpShow(topic);
}

void ZibDesktop::showMessage(bool warning, const QString& title, const QString& text, std::function<void()> closed)
{
    m_boxes.removeAll(nullptr);
    auto* box = new QMessageBox(
        warning ? QMessageBox::Warning : QMessageBox::Information, title, text, QMessageBox::Ok, nullptr);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Modal like exec() would make it, without its nested event loop: open() would make a box without
    // a parent window-modal, which blocks nothing.
    box->setWindowModality(Qt::ApplicationModal);
    QObject::connect(box, &QDialog::finished, box, [closed = std::move(closed)] {
        if (closed) {
            closed();
        }
    });
    m_boxes.append(box);
    box->show();
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
