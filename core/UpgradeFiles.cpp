#include "UpgradeFiles.h"

#include "Constants.h"
#include "ServiceClient.h"
#include "State.h"
#include "SysRoot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>

#include <yaml-cpp/yaml.h>

#include <optional>

namespace {
// The files are read every 10 s: anything bigger than this is not the tool's, and counts as invalid.
constexpr qint64 maxYamlBytes = 1024 * 1024;
const QString reportName = QStringLiteral("upgrade.report.yaml");

// The root mapping of a YAML file, or nothing for a missing, unreadable, oversized or non-YAML file.
// Only regular files are opened, so a FIFO in its place cannot block us.
std::optional<YAML::Node> loadMapping(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > maxYamlBytes) {
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray text = file.read(maxYamlBytes + 1);
    if (text.size() > maxYamlBytes) {
        return std::nullopt;
    }
    try {
        YAML::Node root = YAML::Load(text.toStdString());
        if (root.IsMap()) {
            return root;
        }
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

// A scalar's text; nothing for a missing key, a sequence, a mapping or an empty value.
std::optional<QString> scalar(const YAML::Node& map, const std::string& key)
{
    try {
        const YAML::Node value = map[key];
        if (value.IsScalar()) {
            return QString::fromStdString(value.as<std::string>());
        }
    } catch (const std::exception&) {
    }
    return std::nullopt;
}
} // namespace

UpgradeFiles::Report UpgradeFiles::readReport(const QString& path)
{
    Report report;
    const std::optional<YAML::Node> root = loadMapping(path);
    if (!root) {
        return report;
    }
    if (const std::optional<QString> mode = scalar(*root, yamlUpgradeMode)) {
        report.mode = *mode == QLatin1String("ready") ? 1
            : *mode == QLatin1String("activated")     ? 2
            : *mode == QLatin1String("forced")        ? 3
                                                      : 0;
    }
    if (const std::optional<QString> end = scalar(*root, yamlEndTime)) {
        report.end = QDateTime::fromString(*end, dateTimeFormat);
    }
    return report;
}

QString UpgradeFiles::readTargetRelease(const QString& path)
{
    const std::optional<YAML::Node> root = loadMapping(path);
    if (!root) {
        return QString();
    }
    try {
        const YAML::Node upgrade = (*root)[yamlUpgrade];
        if (upgrade.IsMap()) {
            return scalar(upgrade, yamlTargetRelease).value_or(QString());
        }
    } catch (const std::exception&) {
    }
    return QString();
}

UpgradeFiles::UpgradeFiles(ServiceClient& client, QObject* parent)
    : QObject(parent), m_client(client), m_goneTimer(this)
{
    m_goneTimer.setObjectName(QStringLiteral("reportGoneTimer"));
    m_goneTimer.setSingleShot(true);
    m_goneTimer.setInterval(3000);
    connect(&m_goneTimer, &QTimer::timeout, &m_client, &ServiceClient::poll);
}

bool UpgradeFiles::find()
{
    const QDir cache(SysRoot::path(upgradeCacheDir));
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
    m_targetRelease = readTargetRelease(SysRoot::path(upgradeConfigPath));
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
    const Report report = readReport(m_reportPath);
    m_forced = report.mode == 3;
    if (report.mode < 1) {
        m_date = QDateTime();
        Q_EMIT stateRead(UpdateUnavailable, true);
        return;
    }
    const bool changed = report.end != m_date; // two invalid dates count as equal
    m_date = report.end;
    Q_EMIT stateRead(report.mode == 1 ? UpgradeReady : UpgradeSet, changed);
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
