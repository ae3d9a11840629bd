// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QObject>

// A stand-in for systemd's manager on the same bus, knowing one unit: the update service's. It answers
// GetUnit for it and serves its ActiveState, so the notifier's systemd path can be tried without systemd.
class SystemdUnit : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.systemd1.Unit")
    Q_PROPERTY(QString ActiveState MEMBER activeState)
public:
    QString activeState;
};

class SystemdStandIn : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.systemd1.Manager")
public:
    static constexpr const char* unitName = "tarno-update-service.service";
    static constexpr const char* unitPath = "/org/freedesktop/systemd1/unit/tarno_2dupdate_2dservice_2eservice";

    // Owns systemd's name on `bus`, with the unit in `activeState` ("active", "inactive", ...).
    bool start(QDBusConnection bus, const QString& activeState)
    {
        m_unit.activeState = activeState;
        return bus.registerObject(QStringLiteral("/org/freedesktop/systemd1"), this, QDBusConnection::ExportAllSlots) &&
            bus.registerObject(QLatin1String(unitPath), &m_unit, QDBusConnection::ExportAllProperties) &&
            bus.registerService(QStringLiteral("org.freedesktop.systemd1"));
    }

public Q_SLOTS:
    QDBusObjectPath GetUnit(const QString& name)
    {
        if (name != QLatin1String(unitName)) {
            sendErrorReply(QStringLiteral("org.freedesktop.systemd1.NoSuchUnit"), QStringLiteral("Unit not loaded."));
        }
        return QDBusObjectPath(QLatin1String(unitPath));
    }

private:
    SystemdUnit m_unit;
};
