// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "Simulator.h"

#include <QDBusAbstractAdaptor>

// The administration service's upgrade switch.
class AdminAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.tarnolinux.Admin.Upgrade")
public:
    AdminAdaptor(Simulator* simulator, BusObject* object)
        : QDBusAbstractAdaptor(object), m_sim(simulator), m_object(object)
    {
    }

public Q_SLOTS:
    // The simulator sends the reply; the return type only gives it to QtDBus.
    QString ChangeUpgradeState(bool enable)
    {
        m_sim->serve(*m_object,
            [sim = m_sim, enable](const QDBusMessage& call) { return sim->changeUpgradeMode(call, enable); });
        return {};
    }

private:
    Simulator* m_sim;
    BusObject* m_object;
};
