#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QLocalServer;
class QLocalSocket;
class QLockFile;

// One running instance per user and program: the holder of the lock file is the primary and listens
// on a local socket for the messages of later starts.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // `directory` empty: the user's runtime directory (or a private fallback under the temp directory).
    explicit SingleInstance(const QString& id, const QString& directory = QString(), QObject* parent = nullptr);
    ~SingleInstance() override;

    bool isRunning() const { return m_running; }
    bool sendMessage(const QString& message, int timeout);
    // Asks the primary a question; its answer, or nothing when none came in time.
    std::optional<QString> ask(const QString& question, int timeout);
    // The primary's answer to a question; unset, questions get an empty answer.
    void setQueryHandler(std::function<QString(const QString&)> handler) { m_queryHandler = std::move(handler); }

    // Delivers one message to the primary listening at `socketPath`; true once it acknowledged.
    static bool deliver(const QString& socketPath, const QString& message, int timeout);
    static std::optional<QString> query(const QString& socketPath, const QString& question, int timeout);

    QString socketPath() const { return m_socketPath; }

    static constexpr int maxMessageBytes = 64 * 1024;

Q_SIGNALS:
    void messageReceived(const QString& message);

private:
    void listen();
    void acceptConnections();
    void readFrom(QLocalSocket* socket);
    static bool exchange(
        const QString& socketPath, const QByteArray& magic, const QByteArray& payload, int timeout, QByteArray* reply);

    QString m_socketPath;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    bool m_running = false;
    std::function<QString(const QString&)> m_queryHandler;
};
