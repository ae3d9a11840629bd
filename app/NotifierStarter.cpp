// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "NotifierStarter.h"

#include "DbusDoNotDisturb.h"
#include "DbusUpdateService.h"
#include "DpkgPackageQuery.h"
#include "KNotificationPopups.h"
#include "NotifierCore.h"
#include "QtSingleApplication.h"
#include "SystemClock.h"
#include "SystemdService.h"
#include "ZibDesktop.h"

#include <QIcon>
#include <QMessageBox>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <QTimer>

#include <cstdio>

#include <sys/socket.h>
#include <unistd.h>

namespace {
const QString updateServiceExecutable = QStringLiteral("/usr/sbin/tarno-update-service");
}

struct NotifierStarter::Outside
{
    SystemClock clock;
    DbusUpdateService service;
    ZibAdmin::SystemdService presence {updateServiceExecutable};
    DpkgPackageQuery packages;
    ZibDesktop desktop;
    KNotificationPopups popups;
    DbusDoNotDisturb doNotDisturb;
};

namespace {
int sigTermFds[2] = {-1, -1};
const QString messageSeparator = QStringLiteral("|||");
const QString statusQuestion = QStringLiteral("status");
const QString jsonSuffix = QStringLiteral(" json");
} // namespace

NotifierStarter::NotifierStarter(QtSingleApplication* app)
    : QObject(app)
    , m_settingsOption(QStringLiteral("settings"), tr("Show settings dialog (only for running app)"))
    , m_statusOption(QStringLiteral("status"),
          tr("Print what the running notifier shows now, one \"key: value\" per line; exits with 3 when none runs"))
    , m_jsonOption(QStringLiteral("json"), tr("With --status: print JSON"))
{
    m_parser.addHelpOption();
    m_parser.addOption(m_settingsOption);
    m_parser.addOption(m_statusOption);
    m_parser.addOption(m_jsonOption);
    m_parser.process(QCoreApplication::arguments());

    if (m_parser.isSet(m_statusOption)) {
        printStatus(app);
        return;
    }

    const QStringList arguments = QCoreApplication::arguments();

    if (app->isRunning()) {
        if (m_parser.isSet(m_settingsOption)) {
            app->sendMessage(arguments.join(messageSeparator), 5000);
        }
        m_mustExit = true;
        return;
    }

    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        QMessageBox::critical(nullptr, tr("Update Notifier"), tr("Couldn't detect any system tray on this system"),
            QMessageBox::Ok, QMessageBox::NoButton);
        m_exitCode = 1;
        m_mustExit = true;
        return;
    }

    QGuiApplication::setQuitOnLastWindowClosed(false);
    m_outside = std::make_unique<Outside>();
    m_core = new NotifierCore(true,
        {m_outside->clock, m_outside->service, m_outside->presence, m_outside->packages, m_outside->desktop,
            m_outside->popups, m_outside->doNotDisturb},
        this);

    connect(app, &QGuiApplication::saveStateRequest, this, &NotifierStarter::onSaveStateRequest);
    connect(app, &QtSingleApplication::messageReceived, this, &NotifierStarter::onMessageReceived);
    app->setQueryHandler([this](const QString& question) {
        return question.startsWith(statusQuestion) ? m_core->statusReport(question == statusQuestion + jsonSuffix)
                                                   : QString();
    });

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, sigTermFds) != 0) {
        qFatal("Couldn't create TERM socketpair");
    }
    m_sigTermNotifier = new QSocketNotifier(sigTermFds[1], QSocketNotifier::Read, this);
    connect(m_sigTermNotifier, &QSocketNotifier::activated, this, &NotifierStarter::handleSigTerm);
    // Only windows show it, and none opens before the tray icon: the theme look-up waits.
    QTimer::singleShot(
        0, this, [] { QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("zib-user-update-notifier"))); });
}

NotifierStarter::~NotifierStarter()
{
    // The core uses m_outside, which dies before the QObject children would.
    delete m_core;
}

void NotifierStarter::sigTermHandler(int)
{
    const char one = 1;
    [[maybe_unused]] const ssize_t written = ::write(sigTermFds[0], &one, sizeof(one));
}

void NotifierStarter::handleSigTerm()
{
    m_sigTermNotifier->setEnabled(false);
    char byte = 0;
    [[maybe_unused]] const ssize_t got = ::read(sigTermFds[1], &byte, sizeof(byte));
    QCoreApplication::quit();
    m_sigTermNotifier->setEnabled(true);
}

void NotifierStarter::onSaveStateRequest(QSessionManager& manager)
{
    manager.setRestartHint(QSessionManager::RestartNever);
}

void NotifierStarter::onMessageReceived(const QString& message)
{
    QStringList pieces = message.split(messageSeparator, Qt::KeepEmptyParts, Qt::CaseSensitive);
    if (pieces.isEmpty()) {
        return;
    }
    if (pieces.takeLast() == QLatin1String("--settings")) {
        m_core->showSettings();
    }
}

// Asks the running notifier; never the update service. Takes no part in the single-instance check, so
// that a notifier starting meanwhile still becomes the running one.
void NotifierStarter::printStatus(QtSingleApplication* app)
{
    m_mustExit = true;
    QString answer;
    const SingleInstance::Outcome outcome =
        app->ask(m_parser.isSet(m_jsonOption) ? statusQuestion + jsonSuffix : statusQuestion, 5000, &answer);
    if (outcome == SingleInstance::Outcome::NobodyListens) {
        std::fprintf(stderr, "%s\n", qPrintable(tr("No update notifier runs for this user.")));
        m_exitCode = 3;
        return;
    }
    if (outcome != SingleInstance::Outcome::Done || answer.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(tr("The running update notifier did not answer.")));
        m_exitCode = 1;
        return;
    }
    std::fputs(answer.toUtf8().constData(), stdout);
}
