// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QLocalServer;
class QLocalSocket;
class QLockFile;
class QTimer;

// One running instance per user and program: the holder of the lock file is the primary and listens
// on a local socket for the messages of later starts.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    enum class Outcome { Done, NobodyListens, NoAnswer };

    // `directory` empty: the user's runtime directory (or a private fallback under the temp directory).
    // Takes no lock yet: a start that only asks the primary must never keep a notifier from starting.
    explicit SingleInstance(const QString& id, const QString& directory = QString(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // The single-instance check, made on the first call: if nobody holds the lock, this process takes it,
    // becomes the primary and listens. Only a start that may become the primary calls it.
    bool isRunning();
    bool sendMessage(const QString& message, int timeout);
    // Asks the primary a question without taking part in the check.
    Outcome ask(const QString& question, int timeout, QString* answer) const;
    // The primary's answer to a question; unset, questions get an empty answer.
    void setQueryHandler(std::function<QString(const QString&)> handler) { m_queryHandler = std::move(handler); }

    // Delivers one message to the primary listening at `socketPath`; true once it acknowledged. Waits for
    // a primary that holds the lock but does not listen yet.
    static bool deliver(const QString& socketPath, const QString& message, int timeout);
    // Connects once: nobody listening means no primary runs.
    static Outcome query(const QString& socketPath, const QString& question, int timeout, QString* answer);

    QString socketPath() const { return m_socketPath; }

    static constexpr int maxMessageBytes = 64 * 1024;

Q_SIGNALS:
    void messageReceived(const QString& message);

private:
    void claim();
    void listen();
    void acceptConnections();
    void readFrom(QLocalSocket* socket, QTimer* deadline);
    static Outcome exchange(const QString& socketPath, const QByteArray& magic, const QByteArray& payload, int timeout,
        bool waitForListener, QByteArray* reply);

    QString m_socketPath;
    QString m_lockPath;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    std::optional<bool> m_running; // unset until checked
    std::function<QString(const QString&)> m_queryHandler;
};
