// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// The wire format between a later start and the primary. A running primary may be of an older version
// that knows only some kinds of frame: change none that exists, add new ones.
namespace SingleInstanceFrame {
// Frame: magic, 32-bit big-endian length, UTF-8 text. The receiver answers one ack byte.
inline const QByteArray frameMagic = QByteArrayLiteral("ZIB1");
// A question that the primary answers with a reply frame after the ack.
inline const QByteArray queryMagic = QByteArrayLiteral("ZIBQ");
inline const QByteArray replyMagic = QByteArrayLiteral("ZIBR");
inline constexpr int headerBytes = 8;
inline constexpr char ackByte = 0x06;

inline QByteArray frame(const QByteArray& magic, const QByteArray& payload)
{
    const quint32 length = quint32(payload.size());
    QByteArray framed = magic;
    framed.append(char(length >> 24)).append(char(length >> 16)).append(char(length >> 8)).append(char(length));
    return framed + payload;
}

inline quint32 announcedLength(const QByteArray& header)
{
    return (quint32(quint8(header[4])) << 24) | (quint32(quint8(header[5])) << 16) | (quint32(quint8(header[6])) << 8) |
        quint32(quint8(header[7]));
}

// What the primary makes of the bytes a peer has sent so far. A frame announcing more than `maxBytes` is
// refused from its header, so no more than a header and `maxBytes` are ever waited for.
struct Received
{
    enum Outcome { Incomplete, Refused, Message, Question };
    Outcome outcome = Incomplete;
    QString text; // the payload, or why the peer is refused
    int size = 0; // the frame's bytes
};

inline Received receive(const QByteArray& buffered, int maxBytes)
{
    if (buffered.size() < headerBytes) {
        return {};
    }
    const QByteArray magic = buffered.left(frameMagic.size());
    if (magic != frameMagic && magic != queryMagic) {
        return {Received::Refused, QStringLiteral("unknown frame header %1").arg(QString::fromLatin1(magic.toHex()))};
    }
    const quint32 length = announcedLength(buffered);
    if (length > quint32(maxBytes)) {
        return {Received::Refused,
            QStringLiteral("it announces %1 bytes, more than the %2 allowed").arg(length).arg(maxBytes)};
    }
    if (buffered.size() < headerBytes + qint64(length)) {
        return {};
    }
    return {magic == queryMagic ? Received::Question : Received::Message,
        QString::fromUtf8(buffered.mid(headerBytes, int(length))), headerBytes + int(length)};
}

// The primary's answer to a whole frame: the ack, and for a question the reply frame.
inline QByteArray answer(const Received& received, const std::function<QString(const QString&)>& handler)
{
    QByteArray sent(1, ackByte);
    if (received.outcome == Received::Question) {
        sent += frame(replyMagic, (handler ? handler(received.text) : QString()).toUtf8());
    }
    return sent;
}
} // namespace SingleInstanceFrame
