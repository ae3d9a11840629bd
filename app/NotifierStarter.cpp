#include "NotifierStarter.h"

#include "Constants.h"
#include "DbusUpdateService.h"
#include "DpkgPackageQuery.h"
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

#include <sys/socket.h>
#include <unistd.h>

struct NotifierStarter::Outside
{
    SystemClock clock;
    DbusUpdateService service;
    ZibAdmin::SystemdService presence {updateServiceExecutable};
    DpkgPackageQuery packages;
    ZibDesktop desktop;
};

namespace {
int sigTermFds[2] = {-1, -1};
const QString messageSeparator = QStringLiteral("|||");
} // namespace

NotifierStarter::NotifierStarter(QtSingleApplication* app)
    : QObject(app), m_settingsOption(QStringLiteral("settings"), tr("Show settings dialog (only for running app)"))
{
    m_parser.addHelpOption();
    m_parser.addOption(m_settingsOption);
    m_parser.process(QCoreApplication::arguments());

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
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("zib-user-update-notifier")));
    m_outside = std::make_unique<Outside>();
    m_core = new NotifierCore(true,
        {m_outside->clock, m_outside->service, m_outside->presence, m_outside->packages, m_outside->desktop}, this);

    connect(app, &QGuiApplication::saveStateRequest, this, &NotifierStarter::onSaveStateRequest);
    connect(app, &QtSingleApplication::messageReceived, this, &NotifierStarter::onMessageReceived);

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, sigTermFds) != 0) {
        qFatal("Couldn't create TERM socketpair");
    }
    m_sigTermNotifier = new QSocketNotifier(sigTermFds[1], QSocketNotifier::Read, this);
    connect(m_sigTermNotifier, &QSocketNotifier::activated, this, &NotifierStarter::handleSigTerm);
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
