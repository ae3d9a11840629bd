// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "BusObject.h"

class Simulator;

// The update service's object. Its adaptor is generated from the interface description and calls these
// methods; the simulator sends every reply itself, so what they return only gives QtDBus the reply's type.
class ServiceObject : public BusObject
{
    Q_OBJECT
public:
    explicit ServiceObject(Simulator& simulator) : m_sim(simulator) { }

    int getCurrentStateAsInt();
    int getCurrentErrorAsInt();
    QString getUpdateDateAsString();
    QString getMinorUpdateVersion();
    int enableUpgradeOnReboot();
    int disableUpgradeOnReboot();
    int removeUpgradeResultStamp(int kind);
    int setStateFromOutside(int state);

private:
    template<typename Value>
    auto serve(Value value) -> decltype(value());

    Simulator& m_sim;
};
