#include "UpgradeTool.h"

#include "Constants.h"
#include "UpdateService.h"

namespace {
constexpr int packageCheckIntervalMs = 60000;
constexpr int filesIntervalMs = 10000;
} // namespace

UpgradeTool::UpgradeTool(PackageQuery& packages, QObject* parent)
    : QObject(parent), m_packages(packages), m_packageTimer(this), m_filesTimer(this)
{
    m_packageTimer.setObjectName(QStringLiteral("packageTimer"));
    m_packageTimer.setInterval(packageCheckIntervalMs);
    connect(&m_packageTimer, &QTimer::timeout, this, &UpgradeTool::check);
    m_filesTimer.setObjectName(QStringLiteral("upgradeFilesTimer"));
    m_filesTimer.setInterval(filesIntervalMs);
    connect(&m_filesTimer, &QTimer::timeout, this, &UpgradeTool::filesDue);
}

void UpgradeTool::start()
{
    check();
    m_packageTimer.start();
}

void UpgradeTool::check()
{
    m_installed = m_packages.isInstalled(upgradePackageName);
    if (m_installed) {
        // A running timer keeps its phase.
        if (!m_filesTimer.isActive()) {
            m_filesTimer.start();
        }
        return;
    }
    m_filesTimer.stop();
    Q_EMIT removed();
}

void UpgradeTool::pauseFiles()
{
    m_filesTimer.stop();
}

void UpgradeTool::resumeFiles()
{
    // Only while the tool was last seen installed: a removed tool's files are not read.
    if (m_installed) {
        m_filesTimer.start();
    }
}
