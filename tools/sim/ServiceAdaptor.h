#pragma once

#include "Simulator.h"

#include <QDBusAbstractAdaptor>
#include <QFile>

#include <unistd.h>

// The update service's interface.
class ServiceAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.tarnolinux.UpdateService")
public:
    ServiceAdaptor(Simulator* simulator, BusObject* object)
        : QDBusAbstractAdaptor(object), m_sim(simulator), m_object(object)
    {
    }

public Q_SLOTS:
    int getCurrentStateAsInt()
    {
        return serve([this] { return m_sim->outside ? -2 : m_sim->state; });
    }
    int getCurrentErrorAsInt()
    {
        return serve([this] { return m_sim->error; });
    }
    QString getUpdateDateAsString()
    {
        return serve([this] { return m_sim->date; });
    }
    QString getMinorUpdateVersion()
    {
        return serve([this] { return m_sim->version; });
    }

    int enableUpgradeOnReboot()
    {
        return serve([this] {
            if (m_sim->state != 4)
                return -1;
            m_sim->state = 5;
            return 0;
        });
    }

    int disableUpgradeOnReboot()
    {
        return serve([this] {
            if (m_sim->state != 5 && m_sim->state != 6)
                return -1;
            m_sim->state = 4;
            return 0;
        });
    }

    int removeUpgradeResultStamp(int kind)
    {
        return serve([this, kind] {
            if (kind < 0 || kind > 3)
                return -1;
            // unlink() removes a file or a link, never a directory nor what a link points to.
            return ::unlink(QFile::encodeName(m_sim->path(Simulator::resultStamps[kind])).constData()) == 0 ? 0 : -1;
        });
    }

    int setStateFromOutside(int value)
    {
        return serve([this, value] {
            if (value != 3)
                return -1;
            m_sim->outside = true;
            return 0;
        });
    }

private:
    // The simulator sends every reply itself; what a slot returns only gives the reply's type to QtDBus.
    template<typename Value>
    auto serve(Value value) -> decltype(value())
    {
        m_sim->serve(*m_object, [value](const QDBusMessage& call) { return call.createReply(value()); });
        return decltype(value())();
    }

    Simulator* m_sim;
    BusObject* m_object;
};
