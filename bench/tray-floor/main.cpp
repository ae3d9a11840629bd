// The floor for the start-up and idle benchmarks: the least a Qt 5 tray program with a menu, an SVG
// icon from resources and a notification object costs. Nothing else runs.
// With --theme-icons it also takes its icons from the icon theme as the notifier does (application window
// icon and tray icon through QIcon::fromTheme, the resource as fallback), to tell that cost apart.
// With --schedule it wakes up when the notifier does and does the least of the same work: the clock every
// 5 s, the update service's four status calls every 30 s, a stat() of the dpkg database every 60 s.
#include <KNotification>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDateTime>
#include <QFileInfo>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

namespace {
void startSchedule(QObject* context)
{
    auto* clockTimer = new QTimer(context);
    QObject::connect(clockTimer, &QTimer::timeout, context, [] { QDateTime::currentDateTime(); });
    clockTimer->start(5000);

    auto* pollTimer = new QTimer(context);
    QObject::connect(pollTimer, &QTimer::timeout, context, [] {
        const QString service = QStringLiteral("org.tarnolinux.UpdateService");
        for (const char* method :
            {"getCurrentErrorAsInt", "getCurrentStateAsInt", "getUpdateDateAsString", "getMinorUpdateVersion"}) {
            QDBusConnection::systemBus().call(QDBusMessage::createMethodCall(
                service, QStringLiteral("/org/tarnolinux/UpdateService"), service, QString::fromLatin1(method)));
        }
    });
    pollTimer->start(30000);

    auto* packageTimer = new QTimer(context);
    QObject::connect(packageTimer, &QTimer::timeout, context,
        [] { QFileInfo(QStringLiteral("/var/lib/dpkg/status")).lastModified(); });
    packageTimer->start(60000);
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const bool themeIcons = QCoreApplication::arguments().contains(QStringLiteral("--theme-icons"));
    if (QCoreApplication::arguments().contains(QStringLiteral("--schedule"))) {
        startSchedule(&app);
    }

    const QIcon resourceIcon(QStringLiteral(":/floor/updates-available.svg"));
    if (themeIcons) {
        QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("zib-user-update-notifier")));
    }

    QMenu menu;
    menu.addAction(QStringLiteral("&Settings"));
    menu.addSeparator();
    menu.addAction(QStringLiteral("&Quit"), &app, &QCoreApplication::quit);

    QSystemTrayIcon tray(
        themeIcons ? QIcon::fromTheme(QStringLiteral("updates-available"), resourceIcon) : resourceIcon);
    tray.setContextMenu(&menu);
    tray.setToolTip(QStringLiteral("tray floor"));
    tray.show();

    KNotification notification(QStringLiteral("floor"), KNotification::CloseOnTimeout);
    notification.setText(QStringLiteral("never sent"));

    return QApplication::exec();
}
