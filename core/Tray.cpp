// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "Tray.h"

#include "Desktop.h"

#include <QAction>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHash>
#include <QMenu>

namespace {
// Every poll re-applies the state: build each picture once and keep its identity, so an unchanged
// picture is not sent to the tray again. Theme icons still follow theme changes.
QIcon picture(const QString& themeName, const QString& fallback)
{
    static QHash<QString, QIcon> pictures;
    auto found = pictures.constFind(themeName);
    if (found == pictures.constEnd()) {
        found = pictures.insert(themeName, QIcon::fromTheme(themeName, QIcon(fallback)));
    }
    return *found;
}
} // namespace

Tray::Tray(bool withIcon, bool shown, Desktop& desktop, Clock& clock, QObject* parent)
    : QObject(parent), m_hideTimer(clock, 5000, true, this)
{
    connect(&m_hideTimer, &Timer::timeout, this, &Tray::hide);

    // The icon first, handed to the tray host at once: the host embeds it while the menu is built.
    if (withIcon) {
        m_icon = new QSystemTrayIcon(this);
        const TrayLook initial = StateViews::trayLook(State::UpdateUnavailable);
        m_icon->setIcon(picture(initial.iconName, initial.fallback));
        // Only a plain click opens the information window; the menu opens through the icon itself.
        connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger) {
                Q_EMIT infoRequested();
            }
        });
        if (shown) {
            m_icon->setVisible(true);
            QGuiApplication::sync();
        }
    }

    m_menu = new QMenu();

    m_remindMenu = new QMenu(m_menu);
    m_remindMenu->setTitle(QCoreApplication::translate("NotifierCore", "Disable notifications"));
    m_remindMenu->addAction(QCoreApplication::translate("NotifierCore", "in 1 hour"))->setData(1);
    m_remindDayAction = m_remindMenu->addAction(QCoreApplication::translate("NotifierCore", "for 1 day"));
    m_remindDayAction->setData(24);
    m_remindTwoDaysAction = m_remindMenu->addAction(QCoreApplication::translate("NotifierCore", "for 2 days"));
    m_remindTwoDaysAction->setData(48);
    m_remindWeekAction = m_remindMenu->addAction(QCoreApplication::translate("NotifierCore", "for a week"));
    m_remindWeekAction->setData(168);
    // Its hours depend on the due date and are computed later.
    m_remindNeverAction = m_remindMenu->addAction(QCoreApplication::translate("NotifierCore", "Not to remind"));
    m_remindNeverAction->setVisible(false);
    connect(m_remindMenu, &QMenu::triggered, this, [this](QAction* action) {
        if (action->data().isValid()) {
            Q_EMIT remindLaterChosen(action->data().toInt());
        }
    });
    m_remindMenu->setEnabled(false);

    m_menu->addMenu(desktop.createHelpMenu(m_menu));
    connect(m_menu->addAction(QCoreApplication::translate("NotifierCore", "&Settings")), &QAction::triggered, this,
        &Tray::settingsRequested);
    m_menu->addSeparator();
    m_stateAction = m_menu->addAction(QCoreApplication::translate("NotifierCore", "&No updates"));
    m_stateAction->setEnabled(false);
    connect(m_stateAction, &QAction::triggered, this, &Tray::stateEntryTriggered);
    m_menu->addMenu(m_remindMenu);

    if (m_icon) {
        m_icon->setContextMenu(m_menu);
    }
}

Tray::~Tray()
{
    delete m_menu;
}

QIcon Tray::icon() const
{
    return m_icon ? m_icon->icon() : QIcon();
}

bool Tray::isVisible() const
{
    return m_icon && m_icon->isVisible();
}

void Tray::setVisible(bool visible)
{
    if (m_icon) {
        m_icon->setVisible(visible);
    }
}

void Tray::applyVisibility(TrayLook::Visibility visibility, bool hideWhenIdle, bool hideDeferred)
{
    m_hideTimer.stop();
    switch (visibility) {
    case TrayLook::Unchanged:
        if (isVisible() && hideWhenIdle) {
            m_hideTimer.start();
        }
        break;
    case TrayLook::Shown:
        setVisible(true);
        break;
    case TrayLook::ShownUnlessDeferred:
        setVisible(!hideDeferred || m_pinned);
        break;
    }
}

void Tray::hide()
{
    if (m_icon && !m_pinned) {
        m_icon->hide();
        m_menu->hide();
    }
}

void Tray::setLook(const TrayLook& look)
{
    if (!m_icon) {
        return;
    }
    const QIcon wanted = picture(look.iconName, look.fallback);
    if (m_icon->icon().cacheKey() != wanted.cacheKey()) {
        m_icon->setIcon(wanted);
    }
    if (m_icon->toolTip() != look.toolTip) {
        m_icon->setToolTip(look.toolTip);
    }
}

void Tray::setStateEntry(const StateEntry& entry)
{
    if (entry.enabled) {
        m_stateAction->setEnabled(*entry.enabled);
    }
    if (entry.text) {
        m_stateAction->setText(*entry.text);
    }
    if (entry.toolTip) {
        m_stateAction->setToolTip(*entry.toolTip);
    }
}

void Tray::setRemindMenu(const ReminderSchedule::RemindMenu& menu)
{
    if (!menu.usable) {
        m_remindMenu->setEnabled(false);
        return;
    }
    m_remindDayAction->setVisible(menu.oneDay);
    m_remindTwoDaysAction->setVisible(menu.twoDays);
    m_remindWeekAction->setVisible(menu.week);
    if (menu.neverHours) {
        m_remindNeverAction->setVisible(*menu.neverHours > 0);
        if (*menu.neverHours > 0) {
            m_remindNeverAction->setData(*menu.neverHours);
        }
    }
}

void Tray::setRemindMenuEnabled(bool enabled)
{
    m_remindMenu->setEnabled(enabled);
}
