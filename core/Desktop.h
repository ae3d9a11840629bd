// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>

#include <functional>
#include <optional>

class QMenu;
class QWidget;

// What the core asks of the desktop around it.
class Desktop
{
public:
    virtual ~Desktop() = default;

    // The desktop's "&Help" submenu, owned by `parent`.
    virtual QMenu* createHelpMenu(QWidget* parent) = 0;
    virtual void showHelp(const QString& topic) = 0;
    // Opens a modal box and returns at once; `closed` runs when the user has closed it, never after the
    // desktop is gone.
    virtual void showMessage(bool warning, const QString& title, const QString& text, std::function<void()> closed) = 0;
    // Switches the release upgrade on the next reboot on or off; `done` gets std::nullopt when the switch
    // was made, or a message for the user when it failed. Never blocks.
    virtual void changeUpgradeState(bool enable, std::function<void(std::optional<QString> error)> done) = 0;
    // Starts the window manager's reboot; `done` gets false when it could not start or failed.
    virtual void reboot(std::function<void(bool ok)> done) = 0;
};
