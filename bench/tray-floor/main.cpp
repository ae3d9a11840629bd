// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

// The floor for the start-up and idle benchmarks: the least a Qt 5 tray program with a menu, an SVG icon from
// resources and a notification object costs. Nothing else runs.
#include <KNotification>

#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    QMenu menu;
    menu.addAction(QStringLiteral("&Settings"));
    menu.addSeparator();
    menu.addAction(QStringLiteral("&Quit"), &app, &QCoreApplication::quit);

    QSystemTrayIcon tray(QIcon(QStringLiteral(":/floor/updates-available.svg")));
    tray.setContextMenu(&menu);
    tray.setToolTip(QStringLiteral("tray floor"));
    tray.show();

    KNotification notification(QStringLiteral("floor"), KNotification::CloseOnTimeout);
    notification.setText(QStringLiteral("never sent"));

    return QApplication::exec();
}
