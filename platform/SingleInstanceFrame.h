// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QByteArray>

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
} // namespace SingleInstanceFrame
