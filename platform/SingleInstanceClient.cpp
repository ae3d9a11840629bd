// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "SingleInstance.h"

#include "SingleInstanceFrame.h"

#include <QElapsedTimer>
#include <QLocalSocket>
#include <QThread>

using namespace SingleInstanceFrame;

// The side of a later start: it talks to the primary and waits for it, before any event loop runs.

bool SingleInstance::deliver(const QString& socketPath, const QString& message, int timeout)
{
    return exchange(socketPath, frameMagic, message.toUtf8(), timeout, true, nullptr) == Outcome::Done;
}

SingleInstance::Outcome SingleInstance::query(
    const QString& socketPath, const QString& question, int timeout, QString* answer)
{
    QByteArray reply;
    const Outcome outcome = exchange(socketPath, queryMagic, question.toUtf8(), timeout, false, &reply);
    *answer = QString::fromUtf8(reply);
    return outcome;
}

SingleInstance::Outcome SingleInstance::exchange(const QString& socketPath, const QByteArray& magic,
    const QByteArray& payload, int timeout, bool waitForListener, QByteArray* reply)
{
    if (payload.size() > maxMessageBytes) {
        return Outcome::NoAnswer;
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
    // The primary may hold the lock but not listen yet: a message keeps trying until the time is up.
    for (;;) {
        socket.connectToServer(socketPath);
        if (socket.waitForConnected(waitForListener ? qMin(left(), 250) : left())) {
            break;
        }
        if (!waitForListener || left() == 0) {
            return Outcome::NobodyListens;
        }
        socket.abort();
        QThread::msleep(quint64(qMin(left(), 50)));
    }
    socket.write(frame(magic, payload));
    if (!socket.waitForBytesWritten(left()) || !waitFor(socket, 1) || socket.read(1) != QByteArray(1, ackByte)) {
        return Outcome::NoAnswer;
    }
    if (!reply) {
        return Outcome::Done;
    }
    if (!waitFor(socket, headerBytes)) {
        return Outcome::NoAnswer;
    }
    const QByteArray header = socket.read(headerBytes);
    const quint32 length = announcedLength(header);
    if (!header.startsWith(replyMagic) || length > quint32(maxMessageBytes) || !waitFor(socket, length)) {
        return Outcome::NoAnswer;
    }
    *reply = socket.read(length);
    return Outcome::Done;
}
