// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "UpgradeReport.h"

#include "DateFormat.h"
#include "SystemFile.h"

#include <yaml-cpp/yaml.h>

#include <optional>
#include <string>

namespace UpgradeReport {
namespace {
const std::string keyMode = "upgrade_mode";
const std::string keyEnd = "t_end";
const std::string keyUpgrade = "upgrade";
const std::string keyTargetRelease = "target_release";

// The root mapping, or nothing with the reason why not.
std::optional<YAML::Node> loadMapping(const QByteArray& text, QString* problem)
{
    try {
        YAML::Node root = YAML::Load(text.toStdString());
        if (root.IsMap()) {
            return root;
        }
        *problem = QStringLiteral("not a YAML mapping");
    } catch (const std::exception& error) {
        *problem = QStringLiteral("not YAML: ") + QString::fromStdString(error.what());
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

Report parse(const QByteArray& text, QString* problem)
{
    Report report;
    const std::optional<YAML::Node> root = loadMapping(text, problem);
    if (!root) {
        return report;
    }
    if (const std::optional<QString> mode = scalar(*root, keyMode)) {
        report.mode = *mode == QLatin1String("ready") ? Mode::Ready
            : *mode == QLatin1String("activated")     ? Mode::Activated
            : *mode == QLatin1String("forced")        ? Mode::Forced
                                                      : Mode::Unknown;
    }
    if (const std::optional<QString> end = scalar(*root, keyEnd)) {
        report.end = QDateTime::fromString(*end, dateTimeFormat);
    }
    return report;
}

QString parseRelease(const QByteArray& text, QString* problem)
{
    const std::optional<YAML::Node> root = loadMapping(text, problem);
    if (!root) {
        return QString();
    }
    try {
        const YAML::Node upgrade = (*root)[keyUpgrade];
        if (upgrade.IsMap()) {
            return scalar(upgrade, keyTargetRelease).value_or(QString());
        }
    } catch (const std::exception&) {
    }
    return QString();
}
} // namespace

Report parseReport(const QByteArray& text)
{
    QString problem;
    return parse(text, &problem);
}

QString parseTargetRelease(const QByteArray& text)
{
    QString problem;
    return parseRelease(text, &problem);
}

Report readReport(const QString& path)
{
    const std::optional<QByteArray> text = SystemFile::read(path, maxBytes, SystemFile::Oversize::Reject);
    if (!text) {
        return {};
    }
    QString problem;
    const Report report = parse(*text, &problem);
    SystemFile::report(path, problem);
    return report;
}

QString readTargetRelease(const QString& path)
{
    const std::optional<QByteArray> text = SystemFile::read(path, maxBytes, SystemFile::Oversize::Reject);
    if (!text) {
        return QString();
    }
    QString problem;
    const QString release = parseRelease(*text, &problem);
    SystemFile::report(path, problem);
    return release;
}

} // namespace UpgradeReport
