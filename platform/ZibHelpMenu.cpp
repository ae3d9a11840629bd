// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "ZibHelpMenu.h"

#include "zibintegration.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>

ZibHelpMenu::ZibHelpMenu(QWidget* parent) : QMenu(parent)
{
    setTitle(tr("&Help"));

    QAction* handbook = addAction(QIcon::fromTheme(QStringLiteral("help-contents")), tr("&Help"));
    handbook->setShortcut(QKeySequence::HelpContents);
    connect(handbook, &QAction::triggered, this, [] { zibHelpShow(QString()); });

    QAction* about = addAction(QIcon::fromTheme(QStringLiteral("help-about")), tr("&About"));
    connect(about, &QAction::triggered, this, &ZibHelpMenu::showAbout);
}

void ZibHelpMenu::showAbout()
{
    const QString name = QCoreApplication::applicationName();
    const QString text = tr("<p><b>%1</b></p><p>Version %2</p><p>%3</p>")
                             .arg(name.toHtmlEscaped(), QCoreApplication::applicationVersion().toHtmlEscaped(),
                                 QGuiApplication::applicationDisplayName().toHtmlEscaped());
    // Not modal: the tray menu must keep working while the box is open.
    auto* box = new QMessageBox(QMessageBox::Information, tr("About %1").arg(name), text, QMessageBox::Ok, this);
    box->setWindowFlag(Qt::Window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}
