// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QObject>
#include <QTimer>

class Clock;

// A timer on the core's clock. With the system clock it is a plain QTimer; a test clock fires it as its
// time advances, so no test waits for real time to pass.
class Timer : public QObject
{
    Q_OBJECT
public:
    Timer(Clock& clock, int intervalMs, bool singleShot, QObject* parent);
    ~Timer() override;

    // (Re)starts the period.
    void start();
    void start(int intervalMs);
    void stop();
    bool isActive() const;
    void setInterval(int intervalMs) { m_interval = intervalMs; }

    // For a clock that drives timers: the time has come.
    void fire();

Q_SIGNALS:
    void timeout();

private:
    Clock& m_clock;
    QTimer m_qtimer;
    int m_interval;
    bool m_singleShot;
    bool m_armed = false;
};
