// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QMenu>

// The "&Help" submenu of the desktop: the manual (F1) and an about box.
class ZibHelpMenu : public QMenu
{
    Q_OBJECT
public:
    explicit ZibHelpMenu(QWidget* parent = nullptr);

private:
    void showAbout();
};
