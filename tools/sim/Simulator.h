// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "BusObject.h"
#include "ServiceObject.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QHash>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <optional>

// The simulated update service and administration service: what they report, their scripted replies and
// the log of the calls they received. Its two bus objects and their adaptors only take the calls.
class Simulator : public QObject
{
    Q_OBJECT
public:
    static inline const QString serviceName = QStringLiteral("org.tarnolinux.UpdateService");
    static inline const QString servicePath = QStringLiteral("/org/tarnolinux/UpdateService");
    static inline const QString controlName = QStringLiteral("org.tarnolinux.UpdateService.Simulator");
    static inline const QStringList scriptKinds = {QStringLiteral("value"), QStringLiteral("error"),
        QStringLiteral("delay"), QStringLiteral("hang"), QStringLiteral("vanish"), QStringLiteral("exit")};
    static constexpr const char* upgradeReport = "/var/cache/tarno-upgrade/upgrade.report.yaml";
    static constexpr const char* upgradeConfig = "/usr/share/tarno-upgrade/target.conf.yaml";
    // Indexed by the kind of removeUpgradeResultStamp.
    static constexpr const char* resultStamps[] = {"/var/cache/tarno-update-service/unsuccessful",
        "/var/cache/tarno-update-service/successful", "/var/cache/tarno-upgrade/upgrade_aborted",
        "/var/cache/tarno-upgrade/successful"};

    using Answer = std::function<QDBusMessage(const QDBusMessage& call)>;

    // "system" or "session".
    static std::optional<QDBusConnection> bus(const QString& name);

    Simulator(const QDBusConnection& bus, const QString& sysroot);

    // Registers the objects and owns the three bus names. On failure returns false and sets error.
    bool start(QString* error);

    // Logs the call in context and answers it: by the next script for its method if there is one, else
    // with answer(call), which carries the normal behaviour and its side effects.
    void serve(const QDBusContext& context, const Answer& answer);
    // Returns why the script was refused, or an empty string. count -1 answers every call until cleared.
    QString addScript(const QString& method, const QString& kind, const QVariant& value, int count);
    void clearScripts() { m_scripts.clear(); }
    bool setRegistered(bool registered, QString* error);
    // Replies to the call in context, makes sure the reply has left, and ends the event loop.
    void quit(const QDBusContext& context);

    // A fixed path below the system root.
    QString path(const char* absolutePath) const { return m_sysroot + QLatin1String(absolutePath); }
    QDBusMessage changeUpgradeMode(const QDBusMessage& call, bool enable) const;
    // The upgrade tool's files: the report with mode and end date, and the configuration with the target
    // release; mode "off" removes both. Returns why it failed, or an empty string.
    QString setUpgrade(const QString& mode, const QString& target, const QString& end) const;
    // A result stamp for the notifier's next start; reason (0-9, -1 for none) is the content of kind 0.
    QString leaveStamp(int kind, int reason) const;

    // What the service reports; outside is set by setStateFromOutside(3), which reports the state as -2.
    int state = 0;
    int error = 0;
    QString date;
    QString version;
    bool outside = false;
    // The service calls received, as "method(arg,...)".
    QStringList callLog;

private:
    struct Script
    {
        QString kind;
        QVariant value;
        int count;
    };

    void send(const QDBusMessage& message);

    QDBusConnection m_bus;
    QString m_sysroot;
    QHash<QString, QList<Script>> m_scripts;
    ServiceObject m_serviceObject {*this};
    BusObject m_adminObject;
};
