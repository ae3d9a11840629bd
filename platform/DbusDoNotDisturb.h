// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "DoNotDisturb.h"

#include <QObject>
#include <QVariantMap>

// Do-not-disturb as the notification server tells it on the session bus: its `Inhibited` property, read
// asynchronously when the server appears and then followed through PropertiesChanged. A server without
// the property, or a read that fails, counts as off.
class DbusDoNotDisturb : public QObject, public DoNotDisturb
{
    Q_OBJECT
public:
    explicit DbusDoNotDisturb(QObject* parent = nullptr);

    bool isOn() const override { return m_on; }
    void setChangeHandler(std::function<void(bool on)> handler) override { m_handler = std::move(handler); }

private Q_SLOTS:
    void onPropertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList& invalidated);

private:
    void watch();
    void read();
    void set(bool on);

    bool m_on = false;
    std::function<void(bool)> m_handler;
};
