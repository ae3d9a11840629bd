// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "DbusService.h"
#include "Desktop.h"

#include <QList>
#include <QPointer>
#include <QProcess>

class QMessageBox;

// The desktop around the notifier: help, message boxes, the release-upgrade switch of the
// administration service and the window manager's reboot.
class ZibDesktop : public Desktop
{
public:
    ZibDesktop();
    ~ZibDesktop() override;

    QMenu* createHelpMenu(QWidget* parent) override;
    void showHelp(const QString& topic) override;
    void showMessage(bool warning, const QString& title, const QString& text, std::function<void()> closed) override;
    void changeUpgradeState(bool enable, std::function<void(std::optional<QString> error)> done) override;
    void reboot(std::function<void(bool ok)> done) override;

private:
    void rebootEnded(bool ok, const QString& why);

    ZibAdmin::DbusService m_admin;
    QList<QPointer<QMessageBox>> m_boxes; // open ones; they have no parent, as top-level boxes
    QProcess m_reboot;
    std::function<void(bool)> m_rebootDone;
};
