// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QDBusContext>
#include <QObject>

// An object on the bus that carries adaptors. QtDBus gives the context of an adaptor's call to the
// adaptor's parent, so this is where an adaptor asks for the call and delays its reply.
class BusObject : public QObject, public QDBusContext
{
    Q_OBJECT
public:
    using QObject::QObject;
};
