#pragma once

#include <QByteArray>

// The notifier's settings file as another process sees it: written before a start, read as text.
namespace SettingsFile {
// Replaces the whole file. Qt keeps the group "General" as "[%General]".
bool write(const QByteArray& content);
QByteArray read();
} // namespace SettingsFile
