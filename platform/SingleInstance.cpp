#include "SingleInstance.h"

#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Frame: magic, 32-bit big-endian length, UTF-8 text. The receiver answers one ack byte.
const QByteArray frameMagic = QByteArrayLiteral("ZIB1");
constexpr int headerBytes = 8;
constexpr char ackByte = 0x06;
constexpr int clientTimeoutMs = 5000;
constexpr int maxPendingClients = 8;

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

bool peerIsSameUser(QLocalSocket* socket)
{
    ucred credentials {};
    socklen_t length = sizeof(credentials);
    if (::getsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0) {
        return false;
    }
    return credentials.uid == ::geteuid();
}
} // namespace

SingleInstance::SingleInstance(const QString& id, const QString& directory, QObject* parent) : QObject(parent)
{
    const QString dir = directory.isEmpty() ? defaultDirectory() : directory;
    if (dir.isEmpty()) {
        return; // nowhere safe to meet: run alone
    }
    m_socketPath = dir + QLatin1Char('/') + id + QLatin1String(".socket");

    m_lock = std::make_unique<QLockFile>(dir + QLatin1Char('/') + id + QLatin1String(".lock"));
    // Only a dead holder makes a lock stale, never its age.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0)) {
        listen();
        return;
    }
    m_running = m_lock->error() == QLockFile::LockFailedError;
    m_lock.reset();
}

SingleInstance::~SingleInstance()
{
    if (m_server) {
        m_server->close();
    }
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
        if (!peerIsSameUser(socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        socket->setReadBufferSize(headerBytes + maxMessageBytes);
        // A client that never finishes its message is dropped.
        QTimer::singleShot(clientTimeoutMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        readFrom(socket);
    }
}

void SingleInstance::readFrom(QLocalSocket* socket)
{
    if (socket->bytesAvailable() < headerBytes) {
        return;
    }
    const QByteArray header = socket->peek(headerBytes);
    const quint32 length = (quint32(quint8(header[4])) << 24) | (quint32(quint8(header[5])) << 16) |
        (quint32(quint8(header[6])) << 8) | quint32(quint8(header[7]));
    if (!header.startsWith(frameMagic) || length > quint32(maxMessageBytes)) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    if (socket->bytesAvailable() < headerBytes + qint64(length)) {
        return;
    }
    socket->read(headerBytes);
    const QByteArray payload = socket->read(length);
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    socket->write(&ackByte, 1);
    socket->flush();
    socket->disconnectFromServer();
    Q_EMIT messageReceived(QString::fromUtf8(payload));
}

bool SingleInstance::sendMessage(const QString& message, int timeout)
{
    return m_running && !m_socketPath.isEmpty() && deliver(m_socketPath, message, timeout);
}

bool SingleInstance::deliver(const QString& socketPath, const QString& message, int timeout)
{
    const QByteArray payload = message.toUtf8();
    if (payload.size() > maxMessageBytes) {
        return false;
    }
    QByteArray frame = frameMagic;
    const quint32 length = quint32(payload.size());
    frame.append(char(length >> 24)).append(char(length >> 16)).append(char(length >> 8)).append(char(length));
    frame.append(payload);

    QElapsedTimer clock;
    clock.start();
    const auto left = [&] {
        return qMax(0, timeout - int(clock.elapsed()));
    };

    QLocalSocket socket;
    // The primary may hold the lock but not listen yet: keep trying until the time is up.
    for (;;) {
        socket.connectToServer(socketPath);
        if (socket.waitForConnected(qMin(left(), 250))) {
            break;
        }
        if (left() == 0) {
            return false;
        }
        socket.abort();
        QThread::msleep(quint64(qMin(left(), 50)));
    }
    socket.write(frame);
    if (!socket.waitForBytesWritten(left())) {
        return false;
    }
    while (socket.bytesAvailable() < 1) {
        if (left() == 0 || !socket.waitForReadyRead(left())) {
            return false;
        }
    }
    return socket.read(1) == QByteArray(1, ackByte);
}
