#pragma once

#include "DesktopSession.h"
#include "SimulatorProcess.h"

#include <QObject>
#include <QPointer>

#include <memory>

// Common ground of the end-to-end tests: one desktop and at most one update-service simulator per test
// function, reported on when the function failed and stopped after it.
class E2eTest : public QObject
{
protected:
    // Generous bounds: CI has two cores and runs sanitizer builds.
    static constexpr int startMs = 20000;

    DesktopSession* startDesktop(DesktopSession::Tray tray, bool withRecorder = false);
    // Started before the notifier, so that the notifier finds the service at its start.
    SimulatorProcess* startSimulator(const QStringList& arguments = {});
    // For cleanup(): prints what the processes said when the test function failed, then stops them all
    // and forgets the settings.
    void finishTest();

    QPointer<DesktopSession> m_desktop;
    std::unique_ptr<SimulatorProcess> m_simulator;
};
