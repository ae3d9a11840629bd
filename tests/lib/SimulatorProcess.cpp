// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "SimulatorProcess.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QRegularExpression>

bool SimulatorProcess::control(const QString& method, const QVariantList& arguments, QVariantList* reply)
{
    const QString interface = QStringLiteral("org.tarnolinux.UpdateService.Simulator");
    QDBusMessage call =
        QDBusMessage::createMethodCall(interface, QStringLiteral("/org/tarnolinux/UpdateService"), interface, method);
    call.setArguments(arguments);
    const QDBusMessage answer = QDBusConnection::systemBus().call(call, QDBus::Block, 5000);
    if (reply) {
        *reply = answer.arguments();
    }
    return answer.type() == QDBusMessage::ReplyMessage;
}

bool SimulatorProcess::script(const QString& method, const QString& kind, const QVariant& value, int count)
{
    const QVariant payload = value.isValid() ? value : QVariant(QString());
    return control(QStringLiteral("Script"), {method, kind, QVariant::fromValue(QDBusVariant(payload)), count});
}

QStringList SimulatorProcess::callLog()
{
    QVariantList reply;
    return control(QStringLiteral("CallLog"), {}, &reply) ? reply.value(0).toStringList() : QStringList();
}
