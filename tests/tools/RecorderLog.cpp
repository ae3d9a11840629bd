#include "RecorderLog.h"

#include <QJsonDocument>

RecorderLog::RecorderLog(QObject* parent) : QObject(parent) { }

bool RecorderLog::openFile(const QString& filePath)
{
    m_file.setFileName(filePath);
    return m_file.open(QIODevice::WriteOnly | QIODevice::Append);
}

void RecorderLog::append(const QJsonObject& entry)
{
    m_entries.append(entry);
    if (!m_file.isOpen())
        return;
    // Flushed per line so that a reader sees every call even if the recorder is killed.
    m_file.write(QJsonDocument(entry).toJson(QJsonDocument::Compact) + '\n');
    m_file.flush();
}
