// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "ChildProcess.h"

#include <QJsonArray>
#include <QJsonObject>

// The recording notification server (tests/tools/notification-recorder) on the session bus, and what it saw.
class NotificationRecorder
{
public:
    bool start() { return m_process.startReady(QStringLiteral(ZIB_RECORDER_PATH)); }

    // One object per call of `call` ("Notify", "CloseNotification"): its "id", and Notify's arguments by name.
    QList<QJsonObject> calls(const QString& call) const;
    QJsonObject lastNotify() const;
    bool clear() const { return control(QStringLiteral("Clear")); }
    // The user clicks an action ("default", "1", ...) of a popup on screen.
    bool invokeAction(qint64 id, const QString& key) const
    {
        return control(QStringLiteral("InvokeAction"), {uint(id), key});
    }
    // The desktop's do-not-disturb mode, told to clients as the `Inhibited` property.
    bool setInhibited(bool on) const { return control(QStringLiteral("SetInhibited"), {on}); }
    // The ids of the popups on screen: sent and not yet closed.
    QList<qint64> open() const;

private:
    QJsonArray log() const;
    bool control(const QString& method, const QVariantList& arguments = {}, QVariantList* reply = nullptr) const;

    ChildProcess m_process;
};
