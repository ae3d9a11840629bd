// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "UpgradeFiles.h"

#include "ServiceClient.h"
#include "SysRoot.h"
#include "UpgradeReport.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>

namespace {
const QString configPath = QStringLiteral("/usr/share/tarno-upgrade/target.conf.yaml");
const QString cacheDir = QStringLiteral("/var/cache/tarno-upgrade");
const QString reportName = QStringLiteral("upgrade.report.yaml");
constexpr int goneDelayMs = 3000;
} // namespace

UpgradeFiles::UpgradeFiles(ServiceClient& client, Clock& clock, QObject* parent)
    : QObject(parent), m_client(client), m_goneTimer(clock, goneDelayMs, true, this)
{
    connect(&m_goneTimer, &Timer::timeout, &m_client, &ServiceClient::poll);
}

bool UpgradeFiles::find()
{
    const QDir cache(SysRoot::path(cacheDir));
    if (!cache.exists()) {
        return false;
    }
    const QFileInfoList found = cache.entryInfoList({reportName}, QDir::NoFilter, QDir::NoSort);
    if (found.isEmpty()) {
        return false;
    }
    m_reportPath = found.constFirst().absoluteFilePath();
    // Added once: a watcher that lost its file is renewed by reset(), and the 10-s pass covers the gap.
    if (!m_watcher) {
        m_watcher = new QFileSystemWatcher({m_reportPath}, this);
        connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &UpgradeFiles::apply);
    }
    return true;
}

void UpgradeFiles::check()
{
    if (!find()) {
        reset();
        return;
    }
    m_targetRelease = UpgradeReport::readTargetRelease(SysRoot::path(configPath));
    if (m_outside) {
        apply();
        return;
    }
    // A refusal leaves the outside state unset, so the next pass asks again.
    m_client.enterOutsideState([this](bool entered) {
        if (entered) {
            m_outside = true;
            Q_EMIT outsideEntered();
        }
        apply();
    });
}

void UpgradeFiles::apply()
{
    if (!m_client.isConnected()) {
        return;
    }
    const UpgradeReport::Report report = UpgradeReport::readReport(m_reportPath);
    m_forced = report.mode == UpgradeReport::Mode::Forced;
    if (report.mode == UpgradeReport::Mode::Missing || report.mode == UpgradeReport::Mode::Unknown) {
        m_date = QDateTime();
        Q_EMIT stateRead(State::UpdateUnavailable, true);
        return;
    }
    const bool changed = report.end != m_date; // two invalid dates count as equal
    m_date = report.end;
    Q_EMIT stateRead(report.mode == UpgradeReport::Mode::Ready ? State::UpgradeReady : State::UpgradeSet, changed);
}

void UpgradeFiles::reset()
{
    delete m_watcher;
    m_date = QDateTime();
    // Once the service no longer reports the outside state, that poll ends it.
    if (m_outside && m_client.errorCode() == 0) {
        m_goneTimer.start();
    }
}
