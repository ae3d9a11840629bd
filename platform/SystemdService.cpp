// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "SystemdService.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace ZibAdmin {
namespace {
constexpr int systemdTimeoutMs = 2000;
const QString systemdName = QStringLiteral("org.freedesktop.systemd1");

// Whether argv[0] of a process is `wanted`; reads at most a page of its command line.
bool firstArgumentIs(const char* pid, const QByteArray& wanted)
{
    char path[64];
    std::snprintf(path, sizeof(path), "/proc/%s/cmdline", pid);
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    char data[4096];
    const ssize_t got = ::read(fd, data, sizeof(data));
    ::close(fd);
    if (got <= 0) {
        return false;
    }
    const size_t length = strnlen(data, size_t(got));
    return length == size_t(wanted.size()) && std::memcmp(data, wanted.constData(), length) == 0;
}
} // namespace

SystemdService::SystemdService(const QString& path, QObject* parent) : QObject(parent), m_path(path) { }

void SystemdService::ask(const QDBusMessage& message, std::function<void(const QDBusMessage&)> then)
{
    auto* watcher = new QDBusPendingCallWatcher(bus().asyncCall(message, systemdTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [then](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        then(call->reply());
    });
}

void SystemdService::checkActive(std::function<void(bool)> done)
{
    if (!bus().isConnected()) {
        done(isProcessRunning());
        return;
    }
    QDBusMessage hasOwner =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    hasOwner << systemdName;
    ask(hasOwner, [this, done](const QDBusMessage& reply) {
        const bool systemd = reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
            reply.arguments().constFirst().toBool();
        if (systemd) {
            askUnit(done);
        } else {
            done(isProcessRunning());
        }
    });
}

void SystemdService::askUnit(std::function<void(bool)> done)
{
    QDBusMessage getUnit = QDBusMessage::createMethodCall(systemdName, QStringLiteral("/org/freedesktop/systemd1"),
        QStringLiteral("org.freedesktop.systemd1.Manager"), QStringLiteral("GetUnit"));
    getUnit << QFileInfo(m_path).fileName() + QLatin1String(".service");
    ask(getUnit, [this, done](const QDBusMessage& unitReply) {
        const QString unit = unitReply.arguments().isEmpty()
            ? QString()
            : qvariant_cast<QDBusObjectPath>(unitReply.arguments().constFirst()).path();
        if (unitReply.type() != QDBusMessage::ReplyMessage || unit.isEmpty()) {
            done(false); // not loaded, so not active
            return;
        }
        QDBusMessage getState = QDBusMessage::createMethodCall(
            systemdName, unit, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        getState << QStringLiteral("org.freedesktop.systemd1.Unit") << QStringLiteral("ActiveState");
        ask(getState, [done](const QDBusMessage& stateReply) {
            const bool active = stateReply.type() == QDBusMessage::ReplyMessage && !stateReply.arguments().isEmpty() &&
                qvariant_cast<QDBusVariant>(stateReply.arguments().constFirst()).variant().toString() ==
                    QLatin1String("active");
            done(active);
        });
    });
}

bool SystemdService::isProcessRunning()
{
    const QByteArray wanted = QFile::encodeName(m_path);
    // The process found last time is most likely still the one.
    if (m_lastPid > 0 && firstArgumentIs(QByteArray::number(m_lastPid).constData(), wanted)) {
        return true;
    }
    m_lastPid = -1;
    DIR* proc = ::opendir("/proc");
    if (!proc) {
        return false;
    }
    while (const dirent* entry = ::readdir(proc)) {
        const char* name = entry->d_name;
        if (*name && std::strspn(name, "0123456789") == std::strlen(name) && firstArgumentIs(name, wanted)) {
            m_lastPid = std::atoi(name);
            break;
        }
    }
    ::closedir(proc);
    return m_lastPid > 0;
}
} // namespace ZibAdmin
