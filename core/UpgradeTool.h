// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "Timer.h"

#include <QObject>

class Clock;
class PackageQuery;

// Follows whether the release-upgrade tool is installed (every 60 s) and, while it is and nothing asks
// for a pause, asks for its files to be read every 10 s. It alone decides whether the files are read.
class UpgradeTool : public QObject
{
    Q_OBJECT
public:
    // Why the files are not read for a while.
    enum PauseReason {
        Connecting = 0x1, // the service connection is being rebuilt
        Switching = 0x2, // a release-upgrade switch is on its way
    };

    UpgradeTool(PackageQuery& packages, Clock& clock, QObject* parent);

    // Checks once now, then every 60 s.
    void start();
    void check();
    void setPaused(PauseReason reason, bool paused);

Q_SIGNALS:
    void filesDue();
    void removed();

private:
    void apply(bool installed);
    void updateFilesTimer();

    PackageQuery& m_packages;
    Timer m_packageTimer;
    Timer m_filesTimer;
    bool m_installed = false;
    bool m_checking = false;
    int m_pauses = 0;
};
