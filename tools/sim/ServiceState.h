#pragma once

#include <QString>

// What the simulated update service reports.
struct ServiceState
{
    int state = 0;
    int error = 0;
    QString date;
    QString version;
    // Set by setStateFromOutside(3): the state is then reported as -2.
    bool outside = false;
};
