#include "SettingsFile.h"

#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace SettingsFile {
bool write(const QByteArray& content)
{
    const QString path = TestEnvironment::instance().settingsFile();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

QByteArray read()
{
    QFile file(TestEnvironment::instance().settingsFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace SettingsFile
