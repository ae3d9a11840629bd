#pragma once

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QObject>

// Ordered record of the calls the notification server received, optionally mirrored to a JSON-lines file.
class RecorderLog : public QObject
{
    Q_OBJECT
public:
    explicit RecorderLog(QObject* parent = nullptr);

    // Appends to filePath from now on; false (with errorString()) when it cannot be opened.
    bool openFile(const QString& filePath);
    QString errorString() const { return m_file.errorString(); }

    void append(const QJsonObject& entry);
    // Empties the in-memory log; the file keeps everything.
    void clear() { m_entries = QJsonArray(); }
    QJsonArray entries() const { return m_entries; }

private:
    QJsonArray m_entries;
    QFile m_file;
};
