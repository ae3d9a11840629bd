// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "Simulator.h"

#include <QDBusAbstractAdaptor>
#include <QDBusVariant>

// The simulator's own interface, through which the tests and the demo drive it.
class ControlAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.tarnolinux.UpdateService.Simulator")
public:
    ControlAdaptor(Simulator* simulator, BusObject* object)
        : QDBusAbstractAdaptor(object), m_sim(simulator), m_object(object)
    {
    }

public Q_SLOTS:
    void SetState(int state)
    {
        m_sim->state = state;
        m_sim->outside = false;
    }
    void SetError(int error) { m_sim->error = error; }
    void SetUpdateDate(const QString& date) { m_sim->date = date; }
    void SetVersion(const QString& version) { m_sim->version = version; }

    void Script(const QString& method, const QString& kind, const QDBusVariant& value, int count)
    {
        const QString refused = m_sim->addScript(method, kind, value.variant(), count);
        if (!refused.isEmpty())
            m_object->sendErrorReply(QDBusError::InvalidArgs, refused);
    }

    void ClearScripts() { m_sim->clearScripts(); }
    QStringList CallLog() { return m_sim->callLog; }
    void ClearCallLog() { m_sim->callLog.clear(); }

    void SetRegistered(bool registered)
    {
        QString error;
        if (!m_sim->setRegistered(registered, &error))
            m_object->sendErrorReply(QStringLiteral("org.tarnolinux.UpdateService.Simulator.Error.NameTaken"), error);
    }

    void SetUpgrade(const QString& mode, const QString& target, const QString& end)
    {
        refuseWith(m_sim->setUpgrade(mode, target, end));
    }
    void LeaveStamp(int kind, int reason) { refuseWith(m_sim->leaveStamp(kind, reason)); }

    int State(int& error, QString& date, QString& version, bool& outside)
    {
        error = m_sim->error;
        date = m_sim->date;
        version = m_sim->version;
        outside = m_sim->outside;
        return m_sim->state;
    }

    void Quit() { m_sim->quit(*m_object); }

private:
    void refuseWith(const QString& error)
    {
        if (!error.isEmpty())
            m_object->sendErrorReply(QDBusError::Failed, error);
    }

    Simulator* m_sim;
    BusObject* m_object;
};
