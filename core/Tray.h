// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "ReminderSchedule.h"
#include "StateView.h"
#include "Timer.h"

#include <QObject>
#include <QSystemTrayIcon>

class Clock;
class Desktop;
class QAction;
class QMenu;

// The tray icon and its context menu. Without an icon (a core built for no tray) the menu still
// follows the state.
class Tray : public QObject
{
    Q_OBJECT
public:
    // `shown`: the icon is shown at once; else it waits for a state that matters.
    Tray(bool withIcon, bool shown, Desktop& desktop, Clock& clock, QObject* parent);
    ~Tray() override;

    bool hasIcon() const { return m_icon; }
    QIcon icon() const;
    bool isVisible() const;
    void setVisible(bool visible);
    // While pinned (the settings window is open) the icon never hides.
    void setPinned(bool pinned) { m_pinned = pinned; }
    void setHideDelay(int milliseconds) { m_hideTimer.setInterval(milliseconds); }
    // Every refresh first stops a pending hide. `hideWhenIdle`: an icon with nothing to say hides after
    // the delay; `hideDeferred`: an update's icon hides while reminders are postponed.
    void applyVisibility(TrayLook::Visibility visibility, bool hideWhenIdle, bool hideDeferred);
    // Hides the icon and a menu that may be open, unless pinned.
    void hide();

    void setLook(const TrayLook& look);
    void setStateEntry(const StateEntry& entry);
    void setRemindMenu(const ReminderSchedule::RemindMenu& menu);
    void setRemindMenuEnabled(bool enabled);


Q_SIGNALS:
    void infoRequested();
    void settingsRequested();
    void stateEntryTriggered();
    void remindLaterChosen(int hours);

private:
    QMenu* m_menu = nullptr; // no parent: a context menu of a tray icon must be a top-level widget
    QMenu* m_remindMenu = nullptr;
    QSystemTrayIcon* m_icon = nullptr;
    Timer m_hideTimer;
    bool m_pinned = false;
    QAction* m_stateAction = nullptr;
    QAction* m_remindDayAction = nullptr;
    QAction* m_remindTwoDaysAction = nullptr;
    QAction* m_remindWeekAction = nullptr;
    QAction* m_remindNeverAction = nullptr;
};
