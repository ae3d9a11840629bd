// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "Fakes.h"
#include "NotifierCore.h"
#include "UpdateInfoDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSystemTrayIcon>

// What the user reads, and the calls and file the tests look for.
namespace Seen {
const QString noUpdates = QStringLiteral("No available updates detected");
const QString available = QStringLiteral("New system update is available");
const QString onReboot = QStringLiteral("The system will be updated on the next reboot");
const QString unreachable = QStringLiteral("Unable to connect to the service tarno-update-service");
const QString faulty = QStringLiteral("Some problems with the service reply, please wait");
const QString state = QStringLiteral("getCurrentStateAsInt");
const QString report = QStringLiteral("/var/cache/tarno-upgrade/upgrade.report.yaml");
} // namespace Seen
using namespace Seen;

// The assembled notifier with its outside world faked, seen as the user sees it: the tray icon and its
// menu, the popups and the windows. Time moves only when the test advances the clock.
class CoreFixture
{
public:
    FakeClock clock;
    FakeUpdateService service;
    FakePresence presence;
    FakePackages packages;
    FakeDesktop desktop;
    FakePopups popups;
    std::unique_ptr<NotifierCore> core;

    void reset()
    {
        core.reset();
        QFile::remove(QSettings(QStringLiteral("TarnoLinux"), QStringLiteral("zib-update-notifier")).fileName());
        QDir(SysRoot::root()).removeRecursively();
        service = FakeUpdateService();
        presence = FakePresence();
        packages = FakePackages();
        desktop = FakeDesktop();
        popups = FakePopups();
        clock = FakeClock();
    }
    void start()
    {
        core = std::make_unique<NotifierCore>(
            true, NotifierCore::Platform {clock, service, presence, packages, desktop, popups, popups}, nullptr);
        QCoreApplication::processEvents(); // what the core posts for after start-up
    }
    // Start, and let the first poll (3 s later) answer `answer`.
    void startWith(int answer)
    {
        service.values[QStringLiteral("getCurrentStateAsInt")] = answer;
        start();
        clock.advance(3);
    }
    void answer(int state) { service.values[QStringLiteral("getCurrentStateAsInt")] = state; }
    // Up to the next 30-s poll after start (a reconnection restarts that rhythm).
    void nextPoll()
    {
        const qint64 due = (clock.steady / 30000 + 1) * 30000;
        clock.advanceMs(due - clock.steady);
    }

    // The user's settings file, as the settings window or an earlier run leaves it.
    static QVariant setting(const char* key)
    {
        return QSettings(QStringLiteral("TarnoLinux"), QStringLiteral("zib-update-notifier"))
            .value(QLatin1String("General/") + QLatin1String(key));
    }
    static void setSetting(const char* key, const QVariant& value)
    {
        QSettings(QStringLiteral("TarnoLinux"), QStringLiteral("zib-update-notifier"))
            .setValue(QLatin1String("General/") + QLatin1String(key), value);
    }

    QSystemTrayIcon* icon() const { return core->findChild<QSystemTrayIcon*>(); }
    QString toolTip() const { return icon()->toolTip(); }
    // A menu entry, also of a submenu, by its text.
    QAction* entry(const QString& text) const { return menuEntry(icon()->contextMenu(), text); }
    QStringList calls(const QString& method) const { return service.calls.filter(method); }

    // The information window, opened as the user does: a click on the tray icon.
    UpdateInfoDialog* openInfo() const
    {
        Q_EMIT icon()->activated(QSystemTrayIcon::Trigger);
        return window<UpdateInfoDialog>();
    }
    template<typename Window>
    static Window* window()
    {
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget* widget : windows) {
            if (auto* found = qobject_cast<Window*>(widget)) {
                return found;
            }
        }
        return nullptr;
    }
    static QString infoText(UpdateInfoDialog* info)
    {
        return info->findChild<QLabel*>(QStringLiteral("shortInfoLabel"))->text();
    }
    static void click(UpdateInfoDialog* info)
    {
        info->findChild<QPushButton*>(QStringLiteral("changeStateButton"))->click();
    }
};
