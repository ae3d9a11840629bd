// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

// What a peer sends the primary on the single-instance channel, as any byte stream: cut, oversized or
// followed by more.
#include "FuzzApp.h"
#include "SingleInstance.h"
#include "SingleInstanceFrame.h"
#include "StatusReport.h"

using namespace SingleInstanceFrame;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    constexpr int max = SingleInstance::maxMessageBytes;
    const QByteArray buffered(reinterpret_cast<const char*>(data), int(size));
    const Received received = receive(buffered, max);
    // The bound: a header and `max` bytes always decide.
    FUZZ_CHECK(receive(buffered.leftJustified(headerBytes + max, '\0'), max).outcome != Received::Incomplete);
    if (received.outcome == Received::Incomplete || received.outcome == Received::Refused) {
        return 0;
    }
    // The frame alone decides it; one byte less waits.
    FUZZ_CHECK(received.size <= headerBytes + max && receive(buffered.left(received.size), max).text == received.text);
    FUZZ_CHECK(receive(buffered.left(received.size - 1), max).outcome == Received::Incomplete);
    // The answer, with the status report as the running notifier gives it: an ack, then for a question
    // one reply frame that the asking side accepts.
    const QByteArray sent = answer(received, [](const QString& asked) {
        StatusReport report;
        report.offeredVersion = asked;
        return report.text();
    });
    const QByteArray reply = sent.mid(1);
    FUZZ_CHECK(sent.startsWith(ackByte) &&
        (received.outcome == Received::Message
                ? reply.isEmpty()
                : reply.startsWith(replyMagic) && announcedLength(reply) <= quint32(max) &&
                    reply.size() == headerBytes + int(announcedLength(reply))));
    return 0;
}
