// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "Popups.h"
#include "State.h"

#include <QObject>

#include <optional>

class DoNotDisturb;

// The "System update" popups: one for the state, refreshed in place while its event stays the same,
// and one for errors, told once while the same error lasts. During do-not-disturb they are held; when it
// ends, an error that still lasts is told, and stateDue() asks for the state's popup once if one fell due.
class Notifications : public QObject
{
    Q_OBJECT
public:
    // The error popup's types; the service's own error codes are told by the same number.
    enum ErrorType { NoFreeSpace = 1, ErrorBeforeUpdate = 2, UpgradeSwitchFailed = 3 };

    Notifications(Popups& popups, DoNotDisturb& doNotDisturb, QObject* parent);
    ~Notifications() override;

    void showState(State state, const PopupContent& content);
    void close();
    // The release-upgrade switch failed; `detail` is the administration service's message.
    void showUpgradeSwitchFailed(const QString& detail);
    // The service's error code after a poll; once it reported none, the next error is told again.
    void showServiceError(int code, bool answered);
    // The user asked for a reboot and it did not happen; told every time.
    void showRebootFailed();
    // The release-upgrade switch was made after all: a failure held back is no longer news.
    void upgradeSwitched();
    // Popups are held now.
    bool holding() const;

    // The state popup on screen carries the update actions.
    bool actionsOffered() const { return m_actionsOffered; }

Q_SIGNALS:
    void updateOnRebootChosen();
    void showMoreChosen();
    // Do-not-disturb has ended and the state's popup fell due meanwhile: show it as it is now.
    void stateDue();

private:
    // A type below 1, or the type told last, is not shown again.
    void showError(int type, const QString& detail);
    void raiseError(int type, const QString& detail);
    void raiseError(const QString& text);
    void onDoNotDisturb(bool on);

    struct HeldError
    {
        int type;
        QString detail;
    };

    Popups& m_popups;
    DoNotDisturb& m_doNotDisturb;
    QString m_shownEvent; // the state popup's; empty: none
    bool m_stateHeld = false;
    std::optional<HeldError> m_heldError;
    int m_lastErrorType = 0;
    bool m_actionsOffered = false;
};
