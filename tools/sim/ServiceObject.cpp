// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "ServiceObject.h"

#include "Simulator.h"

#include <QFile>

#include <unistd.h>

template<typename Value>
auto ServiceObject::serve(Value value) -> decltype(value())
{
    m_sim.serve(*this, [value](const QDBusMessage& call) { return call.createReply(value()); });
    return decltype(value())();
}

int ServiceObject::getCurrentStateAsInt()
{
    return serve([this] { return m_sim.outside ? -2 : m_sim.state; });
}

int ServiceObject::getCurrentErrorAsInt()
{
    return serve([this] { return m_sim.error; });
}

QString ServiceObject::getUpdateDateAsString()
{
    return serve([this] { return m_sim.date; });
}

QString ServiceObject::getMinorUpdateVersion()
{
    return serve([this] { return m_sim.version; });
}

int ServiceObject::enableUpgradeOnReboot()
{
    return serve([this] {
        if (m_sim.state != 4)
            return -1;
        m_sim.state = 5;
        return 0;
    });
}

int ServiceObject::disableUpgradeOnReboot()
{
    return serve([this] {
        if (m_sim.state != 5 && m_sim.state != 6)
            return -1;
        m_sim.state = 4;
        return 0;
    });
}

int ServiceObject::removeUpgradeResultStamp(int kind)
{
    return serve([this, kind] {
        if (kind < 0 || kind > 3)
            return -1;
        // unlink() removes a file or a link, never a directory nor what a link points to.
        return ::unlink(QFile::encodeName(m_sim.path(Simulator::resultStamps[kind])).constData()) == 0 ? 0 : -1;
    });
}

int ServiceObject::setStateFromOutside(int state)
{
    return serve([this, state] {
        if (state != 3)
            return -1;
        m_sim.outside = true;
        return 0;
    });
}
