#pragma once

#include "ChildProcess.h"
#include "NotificationRecorder.h"
#include "NotifierProcess.h"
#include "XWindows.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QProcessEnvironment>

// A private X desktop inside the TestEnvironment for the installed notifier: Xvfb on a free display,
// at most one tray host, optionally the recording notification server, and the notifier processes
// started on it. Everything it starts dies with it, and with the test process.
class DesktopSession : public QObject
{
    Q_OBJECT
public:
    enum class Tray {
        None, // no tray at all: the notifier must refuse to start
        Watcher, // fake StatusNotifierWatcher: Qt exports the icon and its menu over D-Bus
        XEmbed, // trayer: the icon is an embedded X window, for pixel and pointer runs
    };

    explicit DesktopSession(QObject* parent = nullptr);
    ~DesktopSession() override;

    bool start(Tray tray, bool withRecorder = false);
    void stop();
    QString errorString() const { return m_error; }

    QString display() const { return m_display; }
    const XWindows& windows() const { return m_windows; }
    NotificationRecorder& recorder() { return m_recorder; }
    bool hasRecorder() const { return m_recorderStarted; }

    static QString notifierProgram();
    // What the notifier runs with: the test's buses and directories, the display, the installed data.
    QProcessEnvironment notifierEnvironment(const QProcessEnvironment& extra = QProcessEnvironment()) const;

    // Starts the installed notifier; it belongs to the session and is killed by stop().
    NotifierProcess* startNotifier(
        const QStringList& arguments = {}, const QProcessEnvironment& extra = QProcessEnvironment());
    // Starts it and waits for its end, for starts that must end by themselves (second instance,
    // --help). Check the result with isRunning() and exitCode().
    NotifierProcess* runNotifier(
        const QStringList& arguments, int timeoutMs, const QProcessEnvironment& extra = QProcessEnvironment());

    // XEmbed tray: the notifier's icon window inside the panel, or 0.
    qulonglong embeddedIcon() const;
    // A PNG of the whole screen.
    bool screenshot(const QString& path) const;

    // Everything the notifiers of this session printed, for a failure report.
    QString diagnostics() const;
    // Whether a notifier of this session reported a sanitizer finding (sanitizer builds).
    bool sanitizerReported() const;

private:
    bool startXvfb();
    bool startWatcher();
    bool startTrayer();
    qulonglong panel() const;

    QString m_error;
    QString m_display;
    XWindows m_windows;
    ChildProcess m_xvfb;
    ChildProcess m_trayer;
    ChildProcess m_watcher;
    NotificationRecorder m_recorder;
    bool m_recorderStarted = false;
    QList<QPointer<NotifierProcess>> m_notifiers;
};
