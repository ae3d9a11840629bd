// A notification server that shows nothing: it records every call and keeps notifications open until the
// client or the test closes them. The tests and the demo read the record; `--log FILE` also appends it
// to FILE as JSON lines. Prints "ready" once both of its bus names are owned.
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
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
public:
    QJsonArray log;
    QFile file;

    bool close(uint id, uint reason)
    {
        if (!m_shown.remove(id)) {
            return false;
        }
        record({{QStringLiteral("call"), QStringLiteral("NotificationClosed")}, {QStringLiteral("id"), qint64(id)}});
        Q_EMIT NotificationClosed(id, reason);
        return true;
    }
    bool invokeAction(uint id, const QString& key)
    {
        if (!m_shown.contains(id)) {
            return false;
        }
        Q_EMIT ActionInvoked(id, key);
        return close(id, 2); // dismissed by the user
    }

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
        record({{QStringLiteral("call"), QStringLiteral("Notify")}, {QStringLiteral("id"), qint64(id)},
            {QStringLiteral("app_name"), appName}, {QStringLiteral("replaces_id"), qint64(replacesId)},
            {QStringLiteral("app_icon"), appIcon}, {QStringLiteral("summary"), summary}, {QStringLiteral("body"), body},
            {QStringLiteral("actions"), QJsonArray::fromStringList(actions)}, {QStringLiteral("hints"), hintValues},
            {QStringLiteral("expire_timeout"), expireTimeout}});
        return id;
    }
    void CloseNotification(uint id)
    {
        record({{QStringLiteral("call"), QStringLiteral("CloseNotification")}, {QStringLiteral("id"), qint64(id)}});
        close(id, 3); // closed by a call
    }

Q_SIGNALS:
    void NotificationClosed(uint id, uint reason);
    void ActionInvoked(uint id, const QString& actionKey);

private:
    void record(const QJsonObject& entry)
    {
        log.append(entry);
        if (file.isOpen()) {
            // A line at a time, so that a reader sees every call even if the recorder is killed.
            file.write(QJsonDocument(entry).toJson(QJsonDocument::Compact) + '\n');
            file.flush();
        }
    }

    QSet<uint> m_shown;
    uint m_lastId = 0;
};

// What a test reads and does, as org.zib.test.NotificationRecorder at /recorder.
class RecorderControl : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.zib.test.NotificationRecorder")
public:
    explicit RecorderControl(NotificationServer* server) : m_server(server) { }

public Q_SLOTS:
    QString Log() const { return QString::fromUtf8(QJsonDocument(m_server->log).toJson(QJsonDocument::Compact)); }
    void Clear() { m_server->log = QJsonArray(); }
    bool InvokeAction(uint id, const QString& key) { return m_server->invokeAction(id, key); }

private:
    NotificationServer* m_server;
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    NotificationServer server;
    RecorderControl control(&server);
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
    const auto exports = QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals;
    for (const QString& name :
        {QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("org.zib.test.NotificationRecorder")}) {
        if (bus.interface()->registerService(name, QDBusConnectionInterface::DontQueueService).value() !=
            QDBusConnectionInterface::ServiceRegistered) {
            std::fprintf(stderr, "notification-recorder: cannot own %s on the session bus\n", qPrintable(name));
            return 1;
        }
    }
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server, exports) ||
        !bus.registerObject(QStringLiteral("/recorder"), &control, exports)) {
        std::fprintf(stderr, "notification-recorder: cannot export its objects\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

#include "notification-recorder.moc"
