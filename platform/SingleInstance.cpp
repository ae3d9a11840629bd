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
// A question that the primary answers with a reply frame after the ack.
const QByteArray queryMagic = QByteArrayLiteral("ZIBQ");
const QByteArray replyMagic = QByteArrayLiteral("ZIBR");
constexpr int headerBytes = 8;
constexpr char ackByte = 0x06;
constexpr int clientTimeoutMs = 5000;
constexpr int maxPendingClients = 8;

QByteArray frame(const QByteArray& magic, const QByteArray& payload)
{
    const quint32 length = quint32(payload.size());
    QByteArray framed = magic;
    framed.append(char(length >> 24)).append(char(length >> 16)).append(char(length >> 8)).append(char(length));
    return framed + payload;
}

// The announced length of a frame, or nothing for a header of another kind or an oversized one.
std::optional<quint32> frameLength(const QByteArray& header, const QByteArray& magic)
{
    const quint32 length = (quint32(quint8(header[4])) << 24) | (quint32(quint8(header[5])) << 16) |
        (quint32(quint8(header[6])) << 8) | quint32(quint8(header[7]));
    if (!header.startsWith(magic) || length > quint32(SingleInstance::maxMessageBytes)) {
        return std::nullopt;
    }
    return length;
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
    const bool question = header.startsWith(queryMagic);
    const std::optional<quint32> length = frameLength(header, question ? queryMagic : frameMagic);
    if (!length) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    if (socket->bytesAvailable() < headerBytes + qint64(*length)) {
        return;
    }
    socket->read(headerBytes);
    const QString payload = QString::fromUtf8(socket->read(*length));
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    socket->write(&ackByte, 1);
    if (question) {
        socket->write(frame(replyMagic, (m_queryHandler ? m_queryHandler(payload) : QString()).toUtf8()));
    }
    socket->flush();
    socket->disconnectFromServer();
    if (!question) {
        Q_EMIT messageReceived(payload);
    }
}

bool SingleInstance::sendMessage(const QString& message, int timeout)
{
    return m_running && !m_socketPath.isEmpty() && deliver(m_socketPath, message, timeout);
}

std::optional<QString> SingleInstance::ask(const QString& question, int timeout)
{
    if (!m_running || m_socketPath.isEmpty()) {
        return std::nullopt;
    }
    return query(m_socketPath, question, timeout);
}

bool SingleInstance::deliver(const QString& socketPath, const QString& message, int timeout)
{
    return exchange(socketPath, frameMagic, message.toUtf8(), timeout, nullptr);
}

std::optional<QString> SingleInstance::query(const QString& socketPath, const QString& question, int timeout)
{
    QByteArray reply;
    if (!exchange(socketPath, queryMagic, question.toUtf8(), timeout, &reply)) {
        return std::nullopt;
    }
    return QString::fromUtf8(reply);
}

bool SingleInstance::exchange(
    const QString& socketPath, const QByteArray& magic, const QByteArray& payload, int timeout, QByteArray* reply)
{
    if (payload.size() > maxMessageBytes) {
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    const auto left = [&] {
        return qMax(0, timeout - int(clock.elapsed()));
    };
    // Waits until `count` bytes can be read, within the time left.
    const auto waitFor = [&](QLocalSocket& socket, qint64 count) {
        while (socket.bytesAvailable() < count) {
            if (left() == 0 || !socket.waitForReadyRead(left())) {
                return false;
            }
        }
        return true;
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
    socket.write(frame(magic, payload));
    if (!socket.waitForBytesWritten(left()) || !waitFor(socket, 1) || socket.read(1) != QByteArray(1, ackByte)) {
        return false;
    }
    if (!reply) {
        return true;
    }
    if (!waitFor(socket, headerBytes)) {
        return false;
    }
    const std::optional<quint32> length = frameLength(socket.read(headerBytes), replyMagic);
    if (!length || !waitFor(socket, *length)) {
        return false;
    }
    *reply = socket.read(*length);
    return true;
}
