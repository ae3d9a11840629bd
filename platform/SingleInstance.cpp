// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "SingleInstance.h"

#include "PlatformLogging.h"
#include "SingleInstanceFrame.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QTimer>

#include <cerrno>
#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace SingleInstanceFrame;

namespace {
constexpr int clientTimeoutMs = 5000;
constexpr int maxPendingClients = 8;

void refuse(QLocalSocket* socket, const QString& why)
{
    qCWarning(lcDesktop).noquote() << "Refused a single-instance peer:" << why;
    socket->abort();
    socket->deleteLater();
}

bool isPrivateDirectory(const QString& path)
{
    struct stat st
    {
    };
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
        (st.st_mode & 077) == 0;
}

QString defaultDirectory()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty() && isPrivateDirectory(runtime)) {
        return runtime;
    }
    // No usable runtime directory: a private one of our own. Refuse one that someone else prepared.
    const QString fallback = QDir::tempPath() + QStringLiteral("/zib-runtime-%1").arg(::geteuid());
    ::mkdir(QFile::encodeName(fallback).constData(), 0700);
    return isPrivateDirectory(fallback) ? fallback : QString();
}

// Why the peer may not use the channel, or nothing when it is the same user.
std::optional<QString> peerRefusal(QLocalSocket* socket)
{
    ucred credentials {};
    socklen_t length = sizeof(credentials);
    if (::getsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0) {
        return QStringLiteral("its user cannot be told: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (credentials.uid != ::geteuid()) {
        return QStringLiteral("it runs as user %1, not as user %2").arg(credentials.uid).arg(::geteuid());
    }
    return std::nullopt;
}
} // namespace

SingleInstance::SingleInstance(const QString& id, const QString& directory, QObject* parent) : QObject(parent)
{
    const QString dir = directory.isEmpty() ? defaultDirectory() : directory;
    if (!dir.isEmpty()) { // else nowhere safe to meet: run alone
        m_socketPath = dir + QLatin1Char('/') + id + QLatin1String(".socket");
        m_lockPath = dir + QLatin1Char('/') + id + QLatin1String(".lock");
    }
}

SingleInstance::~SingleInstance()
{
    if (m_server) {
        m_server->close();
    }
}

bool SingleInstance::isRunning()
{
    if (!m_running) {
        claim();
    }
    return *m_running;
}

void SingleInstance::claim()
{
    m_running = false;
    if (m_lockPath.isEmpty()) {
        return;
    }
    m_lock = std::make_unique<QLockFile>(m_lockPath);
    // Only a dead holder makes a lock stale, never its age.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0)) {
        listen();
        return;
    }
    m_running = m_lock->error() == QLockFile::LockFailedError;
    m_lock.reset();
}

void SingleInstance::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    m_server->setMaxPendingConnections(maxPendingClients);
    // We hold the lock, so a socket file left behind is from a dead primary.
    QLocalServer::removeServer(m_socketPath);
    if (!m_server->listen(m_socketPath)) {
        delete m_server;
        m_server = nullptr;
        return;
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        if (const std::optional<QString> why = peerRefusal(socket)) {
            refuse(socket, *why);
            continue;
        }
        socket->setReadBufferSize(headerBytes + maxMessageBytes);
        // A client that never finishes its message is dropped.
        auto* deadline = new QTimer(socket);
        deadline->setSingleShot(true);
        connect(deadline, &QTimer::timeout, socket,
            [socket] { refuse(socket, QStringLiteral("no complete message within %1 ms").arg(clientTimeoutMs)); });
        deadline->start(clientTimeoutMs);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, deadline] { readFrom(socket, deadline); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        readFrom(socket, deadline);
    }
}

void SingleInstance::readFrom(QLocalSocket* socket, QTimer* deadline)
{
    const Received received = receive(socket->peek(socket->bytesAvailable()), maxMessageBytes);
    if (received.outcome == Received::Incomplete) {
        return;
    }
    if (received.outcome == Received::Refused) {
        refuse(socket, received.text);
        return;
    }
    deadline->stop();
    socket->read(received.size);
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    socket->write(answer(received, m_queryHandler));
    socket->flush();
    socket->disconnectFromServer();
    if (received.outcome == Received::Message) {
        Q_EMIT messageReceived(received.text);
    }
}

bool SingleInstance::sendMessage(const QString& message, int timeout)
{
    return isRunning() && !m_socketPath.isEmpty() && deliver(m_socketPath, message, timeout);
}

SingleInstance::Outcome SingleInstance::ask(const QString& question, int timeout, QString* answer) const
{
    return m_socketPath.isEmpty() ? Outcome::NobodyListens : query(m_socketPath, question, timeout, answer);
}
