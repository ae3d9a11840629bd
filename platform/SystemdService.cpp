#include "SystemdService.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <dirent.h>

namespace ZibAdmin {
namespace {
constexpr int systemdTimeoutMs = 2000;
const QString systemdName = QStringLiteral("org.freedesktop.systemd1");

// First NUL-terminated string of /proc/<pid>/cmdline; bounded so a huge command line costs nothing.
QByteArray firstArgument(const QString& pid)
{
    QFile file(QLatin1String("/proc/") + pid + QLatin1String("/cmdline"));
    if (!file.open(QIODevice::ReadOnly)) {
        return QByteArray();
    }
    const QByteArray data = file.read(4096);
    const int end = data.indexOf('\0');
    return end < 0 ? data : data.left(end);
}
} // namespace

SystemdService::SystemdService(const QString& path) : m_path(path) { }

bool SystemdService::isActive() const
{
    bool answered = false;
    const bool active = isUnitActive(&answered);
    return answered ? active : isProcessRunning();
}

bool SystemdService::isUnitActive(bool* answered) const
{
    *answered = false;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(systemdName).value()) {
        return false;
    }
    *answered = true;

    const QString unit = QFileInfo(m_path).fileName() + QLatin1String(".service");
    QDBusMessage getUnit = QDBusMessage::createMethodCall(systemdName, QStringLiteral("/org/freedesktop/systemd1"),
        QStringLiteral("org.freedesktop.systemd1.Manager"), QStringLiteral("GetUnit"));
    getUnit << unit;
    const QDBusMessage unitReply = bus.call(getUnit, QDBus::Block, systemdTimeoutMs);
    if (unitReply.type() != QDBusMessage::ReplyMessage || unitReply.arguments().isEmpty()) {
        return false; // not loaded, so not active
    }
    const QString unitPath = qvariant_cast<QDBusObjectPath>(unitReply.arguments().constFirst()).path();
    if (unitPath.isEmpty()) {
        return false;
    }

    QDBusMessage getState = QDBusMessage::createMethodCall(
        systemdName, unitPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    getState << QStringLiteral("org.freedesktop.systemd1.Unit") << QStringLiteral("ActiveState");
    const QDBusMessage stateReply = bus.call(getState, QDBus::Block, systemdTimeoutMs);
    if (stateReply.type() != QDBusMessage::ReplyMessage || stateReply.arguments().isEmpty()) {
        return false;
    }
    const QVariant state = qvariant_cast<QDBusVariant>(stateReply.arguments().constFirst()).variant();
    return state.toString() == QLatin1String("active");
}

bool SystemdService::isProcessRunning() const
{
    // Called on every connection attempt: a plain directory walk, no sorting or stat() per entry.
    const QByteArray wanted = QFile::encodeName(m_path);
    DIR* proc = ::opendir("/proc");
    if (!proc) {
        return false;
    }
    bool found = false;
    while (const dirent* entry = ::readdir(proc)) {
        const char* name = entry->d_name;
        const bool isPid = *name && std::strspn(name, "0123456789") == std::strlen(name);
        if (!isPid) {
            continue;
        }
        if (firstArgument(QString::fromLatin1(name)) == wanted) {
            found = true;
            break;
        }
    }
    ::closedir(proc);
    return found;
}
} // namespace ZibAdmin
