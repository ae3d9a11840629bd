#include "DesktopSession.h"

#include "Poll.h"

#include <QDeadlineTimer>
#include <QFileInfo>

namespace {
constexpr int startTimeoutMs = 20000;

// Reads the process's output until it contains `marker`; false when the time ran out or it ended.
bool readUntil(QProcess& process, const QByteArray& marker, QByteArray* output)
{
    const QDeadlineTimer deadline(startTimeoutMs);
    while (!output->contains(marker)) {
        if (deadline.hasExpired() || !process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))) {
            return false;
        }
        *output += process.readAllStandardOutput();
    }
    return true;
}
} // namespace

DesktopSession::DesktopSession(QObject* parent) : QObject(parent) { }

DesktopSession::~DesktopSession()
{
    stop();
}

QString DesktopSession::notifierProgram()
{
    return QStringLiteral(ZIB_E2E_PREFIX "/bin/zib-user-update-notifier");
}

bool DesktopSession::start(Tray tray, bool withRecorder)
{
    if (!QFileInfo(notifierProgram()).isExecutable()) {
        m_error = QStringLiteral("%1 is not installed (the e2e_install test does that)").arg(notifierProgram());
        return false;
    }
    if (!startXvfb()) {
        return false;
    }
    if (tray == Tray::Watcher && !startWatcher()) {
        return false;
    }
    if (tray == Tray::XEmbed && !startTrayer()) {
        return false;
    }
    if (withRecorder) {
        if (!m_recorder.start()) {
            m_error = QStringLiteral("notification-recorder did not get ready");
            return false;
        }
        m_recorderStarted = true;
    }
    return true;
}

bool DesktopSession::startXvfb()
{
    // -displayfd: Xvfb picks a free display itself and prints its number once it accepts clients.
    m_xvfb.setProcessChannelMode(QProcess::SeparateChannels);
    m_xvfb.start(QStringLiteral("Xvfb"),
        {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
            QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
            QStringLiteral("-noreset")});
    if (!m_xvfb.waitForStarted(startTimeoutMs)) {
        m_error = QStringLiteral("cannot start Xvfb: %1").arg(m_xvfb.errorString());
        return false;
    }
    QByteArray output;
    if (!readUntil(m_xvfb, "\n", &output)) {
        m_error = QStringLiteral("Xvfb reported no display: %1").arg(QString::fromUtf8(m_xvfb.readAllStandardError()));
        m_xvfb.killAndReap();
        return false;
    }
    bool ok = false;
    const int number = output.left(output.indexOf('\n')).trimmed().toInt(&ok);
    if (!ok) {
        m_error = QStringLiteral("Xvfb printed no display number: %1").arg(QString::fromUtf8(output));
        return false;
    }
    m_display = QLatin1Char(':') + QString::number(number);
    m_windows.setDisplay(m_display);
    return true;
}

bool DesktopSession::startWatcher()
{
    // Before the notifier: Qt looks for a watcher once, when the program starts.
    m_watcher.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_watcher.start(QStringLiteral(ZIB_SNI_WATCHER_PATH), QStringList());
    QByteArray output;
    if (!readUntil(m_watcher, "ready\n", &output)) {
        m_error = QStringLiteral("sni-watcher did not get ready");
        m_watcher.killAndReap();
        return false;
    }
    return true;
}

bool DesktopSession::startTrayer()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    environment.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("1"));
    m_trayer.setProcessEnvironment(environment);
    m_trayer.setProcessChannelMode(QProcess::ForwardedChannels);
    m_trayer.start(QStringLiteral("trayer"),
        {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"), QStringLiteral("right"),
            QStringLiteral("--widthtype"), QStringLiteral("request"), QStringLiteral("--height"), QStringLiteral("32"),
            QStringLiteral("--SetDockType"), QStringLiteral("false")});
    if (!m_trayer.waitForStarted(startTimeoutMs)) {
        m_error = QStringLiteral("cannot start trayer: %1").arg(m_trayer.errorString());
        return false;
    }
    // The panel is mapped once trayer manages the tray selection.
    if (!Poll::until([this] { return panel() != 0; }, startTimeoutMs, 100)) {
        m_error = QStringLiteral("the trayer panel never appeared");
        return false;
    }
    return true;
}

void DesktopSession::stop()
{
    for (const QPointer<NotifierProcess>& notifier : qAsConst(m_notifiers)) {
        delete notifier.data();
    }
    m_notifiers.clear();
    if (m_recorderStarted) {
        m_recorder.stop();
        m_recorderStarted = false;
    }
    m_watcher.killAndReap();
    m_trayer.killAndReap();
    m_xvfb.killAndReap();
    m_display.clear();
}

QProcessEnvironment DesktopSession::notifierEnvironment(const QProcessEnvironment& extra) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    // The installed notifyrc and icons, then the system's theme index.
    environment.insert(QStringLiteral("XDG_DATA_DIRS"), QStringLiteral(ZIB_E2E_PREFIX "/share:/usr/share"));
    // Sanitizer builds (later options win). libxkbcommon-x11 hands strndup() a reply buffer without a
    // terminating NUL, which the strict string checks take for an overflow in every X client. At exit
    // Qt's exported tray menu leaves its platform menu items behind and Mesa its GLX setup; the core's
    // own leaks are the in-process tests' business.
    const QString sanitizer = environment.value(QStringLiteral("ASAN_OPTIONS"));
    if (!sanitizer.isEmpty()) {
        environment.insert(
            QStringLiteral("ASAN_OPTIONS"), sanitizer + QStringLiteral(":strict_string_checks=0:detect_leaks=0"));
    }
    const QStringList keys = extra.keys();
    for (const QString& key : keys) {
        environment.insert(key, extra.value(key));
    }
    return environment;
}

NotifierProcess* DesktopSession::startNotifier(const QStringList& arguments, const QProcessEnvironment& extra)
{
    auto* notifier = new NotifierProcess(this);
    m_notifiers.append(notifier);
    notifier->start(notifierProgram(), arguments, notifierEnvironment(extra));
    return notifier;
}

NotifierProcess* DesktopSession::runNotifier(
    const QStringList& arguments, int timeoutMs, const QProcessEnvironment& extra)
{
    NotifierProcess* notifier = startNotifier(arguments, extra);
    notifier->waitForExit(timeoutMs);
    return notifier;
}

qulonglong DesktopSession::panel() const
{
    const QList<qulonglong> windows = m_windows.search(QStringLiteral("--class"), QStringLiteral("^trayer$"));
    for (const qulonglong window : windows) {
        if (m_windows.title(window) == QLatin1String("panel")) {
            return window;
        }
    }
    return 0;
}

qulonglong DesktopSession::embeddedIcon() const
{
    const qulonglong panelWindow = panel();
    if (!panelWindow) {
        return 0;
    }
    const QRect area = m_windows.geometry(panelWindow);
    const QList<qulonglong> candidates =
        m_windows.search(QStringLiteral("--classname"), QStringLiteral("^zib-user-update-notifier$"));
    for (const qulonglong window : candidates) {
        if (area.contains(m_windows.geometry(window))) {
            return window;
        }
    }
    return 0;
}

bool DesktopSession::screenshot(const QString& path) const
{
    if (m_display.isEmpty()) {
        return false;
    }
    QProcess tool;
    tool.setProcessEnvironment(notifierEnvironment());
    tool.setProcessChannelMode(QProcess::ForwardedChannels);
    tool.start(QStringLiteral(ZIB_SCREENSHOT_PATH), {path});
    if (!tool.waitForFinished(startTimeoutMs)) {
        tool.kill();
        tool.waitForFinished(1000);
        return false;
    }
    return tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

QString DesktopSession::diagnostics() const
{
    QString text = QStringLiteral("display %1\n").arg(m_display);
    for (const QPointer<NotifierProcess>& notifier : m_notifiers) {
        if (notifier) {
            text += notifier->describe() + QLatin1Char('\n');
        }
    }
    return text;
}

bool DesktopSession::sanitizerReported() const
{
    for (const QPointer<NotifierProcess>& notifier : m_notifiers) {
        if (notifier &&
            (notifier->standardError().contains(QLatin1String("ERROR: AddressSanitizer")) ||
                notifier->standardError().contains(QLatin1String("runtime error:")))) {
            return true;
        }
    }
    return false;
}
