#pragma once

#include <QString>

// Bus names, paths and interfaces that the simulator serves.
namespace BusNames {
inline const QString serviceName = QStringLiteral("org.tarnolinux.UpdateService");
inline const QString servicePath = QStringLiteral("/org/tarnolinux/UpdateService");
inline const QString serviceInterface = QStringLiteral("org.tarnolinux.UpdateService");

inline const QString adminName = QStringLiteral("org.tarnolinux.Admin");
inline const QString adminPath = QStringLiteral("/org/tarnolinux/Admin");
inline const QString adminInterface = QStringLiteral("org.tarnolinux.Admin.Upgrade");

inline const QString controlName = QStringLiteral("org.tarnolinux.UpdateService.Simulator");
inline const QString controlInterface = QStringLiteral("org.tarnolinux.UpdateService.Simulator");

inline const QString errorInvalidArgs = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");
inline const QString errorUnknownMethod = QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod");
inline const QString errorScriptedDefault = QStringLiteral("org.tarnolinux.UpdateService.Error.Failed");
inline const QString errorGone = QStringLiteral("org.tarnolinux.UpdateService.Error.Gone");
inline const QString errorNameTaken = QStringLiteral("org.tarnolinux.UpdateService.Simulator.Error.NameTaken");
} // namespace BusNames
