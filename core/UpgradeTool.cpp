// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "UpgradeTool.h"

#include "Logging.h"
#include "PackageQuery.h"

#include <QPointer>

namespace {
constexpr int packageCheckIntervalMs = 60000;
constexpr int filesIntervalMs = 10000;
const QString packageName = QStringLiteral("tarno-upgrade");
} // namespace

UpgradeTool::UpgradeTool(PackageQuery& packages, Clock& clock, QObject* parent)
    : QObject(parent)
    , m_packages(packages)
    , m_packageTimer(clock, packageCheckIntervalMs, false, this)
    , m_filesTimer(clock, filesIntervalMs, false, this)
{
    connect(&m_packageTimer, &Timer::timeout, this, &UpgradeTool::check);
    connect(&m_filesTimer, &Timer::timeout, this, &UpgradeTool::filesDue);
}

void UpgradeTool::start()
{
    check();
    m_packageTimer.start();
}

void UpgradeTool::check()
{
    // One question at a time; the answer comes later and never holds up the event loop.
    if (m_checking) {
        return;
    }
    m_checking = true;
    m_packages.checkInstalled(packageName, [self = QPointer<UpgradeTool>(this)](bool installed) {
        if (self) {
            self->m_checking = false;
            self->apply(installed);
        }
    });
}

void UpgradeTool::apply(bool installed)
{
    if (installed != m_installed) {
        qCInfo(lcCore) << "The release-upgrade tool is" << (installed ? "installed" : "not installed");
    }
    m_installed = installed;
    updateFilesTimer();
    if (!installed) {
        Q_EMIT removed();
    }
}

void UpgradeTool::setPaused(PauseReason reason, bool paused)
{
    const int before = m_pauses;
    m_pauses = paused ? (m_pauses | reason) : (m_pauses & ~reason);
    if (m_pauses != before) {
        updateFilesTimer();
    }
}

void UpgradeTool::updateFilesTimer()
{
    if (!m_installed || m_pauses != 0) {
        m_filesTimer.stop();
    } else if (!m_filesTimer.isActive()) {
        // A running timer keeps its phase.
        m_filesTimer.start();
    }
}
