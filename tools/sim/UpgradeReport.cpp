#include "UpgradeReport.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <yaml-cpp/yaml.h>

#include <exception>
#include <string>

namespace {

const std::string modeKey = "upgrade_mode";

UpgradeReport::Result failure(const char* errorName, const QString& message)
{
    return {QLatin1String(errorName), message, QString()};
}

} // namespace

UpgradeReport::Result UpgradeReport::changeMode(const QString& path, bool enable)
{
    const QFileInfo info(path);
    if (!info.exists())
        return failure("org.tarnolinux.Admin.Error.NoReport", QStringLiteral("The upgrade report does not exist"));
    if (!info.isFile())
        return failure("org.tarnolinux.Admin.Error.BadReport", QStringLiteral("The upgrade report is not a file"));

    YAML::Node root;
    try {
        root = YAML::LoadFile(QFile::encodeName(path).toStdString());
    } catch (const std::exception& e) {
        // yaml-cpp throws its own exceptions for bad YAML, and the stream's for read errors.
        return failure("org.tarnolinux.Admin.Error.BadReport",
            QStringLiteral("The upgrade report cannot be read: %1").arg(QString::fromUtf8(e.what())));
    }
    if (!root.IsMap())
        return failure("org.tarnolinux.Admin.Error.BadReport", QStringLiteral("The upgrade report is not a mapping"));

    const YAML::Node current = root[modeKey];
    const bool forced = current.IsDefined() && current.IsScalar() && current.Scalar() == "forced";
    if (forced && !enable)
        return failure(
            "org.tarnolinux.Admin.Error.Forced", QStringLiteral("The upgrade is forced and cannot be postponed"));
    const std::string mode = forced ? "forced" : (enable ? "activated" : "ready");
    root[modeKey] = mode;

    YAML::Emitter emitter;
    emitter << root;
    if (!emitter.good())
        return failure("org.tarnolinux.Admin.Error.BadReport",
            QStringLiteral("The upgrade report cannot be written: %1")
                .arg(QString::fromStdString(emitter.GetLastError())));

    // QSaveFile writes a temporary file in the same directory and renames it over the report.
    QSaveFile file(path);
    QByteArray content(emitter.c_str(), static_cast<int>(emitter.size()));
    content.append('\n');
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        return failure("org.tarnolinux.Admin.Error.WriteFailed",
            QStringLiteral("The upgrade report cannot be written: %1").arg(file.errorString()));

    return {QString(), QString(), QStringLiteral("upgrade_mode: %1").arg(QString::fromStdString(mode))};
}
