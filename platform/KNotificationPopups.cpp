// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "KNotificationPopups.h"

#include <KNotification>

namespace {
const QString componentName = QStringLiteral("zib-user-update-notifier");
// Far longer than a local server takes to answer a Notify call.
constexpr int settleMs = 250;

KNotification::Urgency urgencyOf(PopupContent::Urgency urgency)
{
    switch (urgency) {
    case PopupContent::Low:
        return KNotification::LowUrgency;
    case PopupContent::High:
        return KNotification::HighUrgency;
    case PopupContent::Critical:
        return KNotification::CriticalUrgency;
    }
    return KNotification::DefaultUrgency;
}
} // namespace

KNotificationPopups::KNotificationPopups(QObject* parent) : QObject(parent)
{
    for (Kind kind : {Kind::State, Kind::Error}) {
        slot(kind).settle.setSingleShot(true);
        connect(&slot(kind).settle, &QTimer::timeout, this, [this, kind] { apply(kind); });
    }
}

KNotificationPopups::~KNotificationPopups()
{
    for (Slot* s : {&m_state, &m_error}) {
        if (s->notification) {
            s->notification->close();
        }
    }
}

void KNotificationPopups::setActionHandler(std::function<void(Kind, Action)> handler)
{
    m_handler = std::move(handler);
}

void KNotificationPopups::show(Kind kind, const Popup& popup)
{
    request(kind, popup);
}

void KNotificationPopups::close(Kind kind)
{
    request(kind, std::nullopt);
}

void KNotificationPopups::request(Kind kind, std::optional<Popup> popup)
{
    Slot& s = slot(kind);
    s.wanted = std::move(popup);
    if (s.notification && s.age.isValid() && s.age.elapsed() < settleMs) {
        if (!s.settle.isActive()) {
            s.settle.start(int(settleMs - s.age.elapsed()));
        }
        return;
    }
    apply(kind);
}

void KNotificationPopups::apply(Kind kind)
{
    Slot& s = slot(kind);
    s.settle.stop();
    if (!s.wanted) {
        return;
    }
    const std::optional<Popup> wanted = *std::exchange(s.wanted, std::nullopt);
    if (!wanted || (s.notification && s.notification->eventId() != wanted->eventId)) {
        if (s.notification) {
            s.notification->close();
            s.notification.clear();
        }
        if (!wanted) {
            return;
        }
    }

    const bool created = !s.notification;
    if (created) {
        s.notification = new KNotification(wanted->eventId, KNotification::CloseOnTimeout, this);
        s.notification->setComponentName(componentName);
        connect(s.notification, &KNotification::action1Activated, this, [this, kind] {
            if (m_handler) {
                m_handler(kind, Action::First);
            }
        });
        connect(s.notification, &KNotification::defaultActivated, this, [this, kind] {
            if (m_handler) {
                m_handler(kind, Action::Default);
            }
        });
    }
    KNotification* notification = s.notification;
    notification->setTitle(wanted->title);
    notification->setText(wanted->text);
    notification->setActions(wanted->actions);
    notification->setDefaultAction(wanted->defaultAction);
    notification->setUrgency(urgencyOf(wanted->urgency));
    notification->setFlags(wanted->persistent ? KNotification::Persistent : KNotification::CloseOnTimeout);
    // A popup on screen follows its changed content by itself (KNotification refreshes it a moment
    // later); an explicit update() would send it twice.
    if (created) {
        notification->sendEvent();
    }
    s.age.start();
}
