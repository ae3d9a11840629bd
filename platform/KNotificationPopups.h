// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "Popups.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <optional>

class KNotification;

// The core's popups as desktop notifications. A popup learns its server id only when the server has
// answered; one closed or changed before that would stay on screen beside its successor. So a popup
// is changed or closed only once it has settled, and what was asked meanwhile is applied then: the
// latest wish wins, and there is never more than one popup of a kind on screen.
class KNotificationPopups : public QObject, public Popups
{
    Q_OBJECT
public:
    explicit KNotificationPopups(QObject* parent = nullptr);
    ~KNotificationPopups() override;

    void show(Kind kind, const Popup& popup) override;
    void close(Kind kind) override;
    void setActionHandler(std::function<void(Kind kind, Action action)> handler) override;

private:
    struct Slot
    {
        QPointer<KNotification> notification;
        QElapsedTimer age; // since the popup on screen was sent or refreshed
        std::optional<std::optional<Popup>> wanted; // a popup, or none to close; unset: nothing to do
        QTimer settle;
    };

    void request(Kind kind, std::optional<Popup> popup);
    void apply(Kind kind);
    Slot& slot(Kind kind) { return kind == Kind::State ? m_state : m_error; }

    Slot m_state;
    Slot m_error;
    std::function<void(Kind, Action)> m_handler;
};
