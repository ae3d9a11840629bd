// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

// A notification server that shows nothing: it records every call and keeps notifications open until the
// client or the test closes them; its do-not-disturb mode (`Inhibited`) is switched by the test. The tests
// and the demo read the record; `--log FILE` also appends it to FILE as JSON lines. Prints "ready" once it
// owns its bus name.
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <cstdio>

class NotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
    Q_PROPERTY(bool Inhibited MEMBER m_inhibited)
public:
    QFile file;

public Q_SLOTS:
    QStringList GetCapabilities()
    {
        return {QStringLiteral("actions"), QStringLiteral("body"), QStringLiteral("body-markup"),
            QStringLiteral("icon-static"), QStringLiteral("persistence")};
    }
    QString GetServerInformation(QString& vendor, QString& version, QString& specVersion)
    {
        vendor = QStringLiteral("zib-tests");
        version = QStringLiteral("1.0");
        specVersion = QStringLiteral("1.2");
        return QStringLiteral("notification-recorder");
    }
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon, const QString& summary,
        const QString& body, const QStringList& actions, const QVariantMap& hints, int expireTimeout)
    {
        uint id = replacesId;
        if (!m_shown.contains(id)) {
            id = ++m_lastId;
            m_shown.insert(id);
        }
        QJsonObject hintValues;
        for (auto it = hints.cbegin(); it != hints.cend(); ++it) {
            // Images come as D-Bus structures, the urgency as a byte.
            const int type = it->userType();
            hintValues.insert(it.key(),
                type == qMetaTypeId<QDBusArgument>() ? QJsonValue(QStringLiteral("<image>"))
                    : type == QMetaType::UChar       ? QJsonValue(int(it->value<uchar>()))
                                                     : QJsonValue::fromVariant(*it));
        }
        record("Notify", id,
            {{QStringLiteral("app_name"), appName}, {QStringLiteral("replaces_id"), qint64(replacesId)},
                {QStringLiteral("app_icon"), appIcon}, {QStringLiteral("summary"), summary},
                {QStringLiteral("body"), body}, {QStringLiteral("actions"), QJsonArray::fromStringList(actions)},
                {QStringLiteral("hints"), hintValues}, {QStringLiteral("expire_timeout"), expireTimeout}});
        return id;
    }
    void CloseNotification(uint id)
    {
        record("CloseNotification", id);
        close(id, 3); // closed by a call
    }

    // For the tests, not part of the notification interface: the record (one object per call, with
    // "call", "id" and Notify's arguments by name), and the user's click on an action of a popup on screen.
    QString Log() const { return QString::fromUtf8(QJsonDocument(m_log).toJson(QJsonDocument::Compact)); }
    void Clear() { m_log = QJsonArray(); }
    bool SetInhibited(bool on)
    {
        m_inhibited = on;
        QDBusMessage changed = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
        changed << QStringLiteral("org.freedesktop.Notifications") << QVariantMap {{QStringLiteral("Inhibited"), on}}
                << QStringList();
        return QDBusConnection::sessionBus().send(changed);
    }
    bool InvokeAction(uint id, const QString& key)
    {
        if (!m_shown.contains(id)) {
            return false;
        }
        Q_EMIT ActionInvoked(id, key);
        close(id, 2); // dismissed by the user
        return true;
    }

Q_SIGNALS:
    void NotificationClosed(uint id, uint reason);
    void ActionInvoked(uint id, const QString& actionKey);

private:
    void close(uint id, uint reason)
    {
        if (m_shown.remove(id)) {
            record("NotificationClosed", id);
            Q_EMIT NotificationClosed(id, reason);
        }
    }
    void record(const char* call, uint id, QJsonObject entry = {})
    {
        entry.insert(QStringLiteral("call"), QLatin1String(call));
        entry.insert(QStringLiteral("id"), qint64(id));
        m_log.append(entry);
        if (file.isOpen()) {
            // A line at a time, so that a reader sees every call even if the recorder is killed.
            file.write(QJsonDocument(entry).toJson(QJsonDocument::Compact) + '\n');
            file.flush();
        }
    }

    QJsonArray m_log;
    QSet<uint> m_shown;
    uint m_lastId = 0;
    bool m_inhibited = false;
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    NotificationServer server;
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 3 && arguments.at(1) == QLatin1String("--log")) {
        server.file.setFileName(arguments.at(2));
        if (!server.file.open(QIODevice::WriteOnly | QIODevice::Append)) {
            std::fprintf(stderr, "notification-recorder: cannot open %s\n", qPrintable(arguments.at(2)));
            return 1;
        }
    } else if (arguments.size() != 1) {
        std::fprintf(stderr, "usage: notification-recorder [--log FILE]\n");
        return 2;
    }

    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString name = QStringLiteral("org.freedesktop.Notifications");
    if (bus.interface()->registerService(name, QDBusConnectionInterface::DontQueueService).value() !=
            QDBusConnectionInterface::ServiceRegistered ||
        !bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                QDBusConnection::ExportAllProperties)) {
        std::fprintf(stderr, "notification-recorder: cannot own %s on the session bus\n", qPrintable(name));
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

#include "notification-recorder.moc"
