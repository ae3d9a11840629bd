// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QObject>

#include <memory>

class NotifierCore;
class QSessionManager;
class QSocketNotifier;
class QtSingleApplication;

// Decides whether this process becomes the user's notifier, and bridges SIGTERM into the event loop.
class NotifierStarter : public QObject
{
    Q_OBJECT
public:
    explicit NotifierStarter(QtSingleApplication* app);
    ~NotifierStarter() override;

    bool mustExit() const { return m_mustExit; }
    int exitCode() const { return m_exitCode; }

    // Async-signal-safe: only writes one byte into the socket pair.
    static void sigTermHandler(int);

private:
    void printStatus(QtSingleApplication* app);

public Q_SLOTS:
    void onMessageReceived(const QString& message);
    void handleSigTerm();
    void onSaveStateRequest(QSessionManager& manager);

private:
    QSocketNotifier* m_sigTermNotifier = nullptr;
    int m_exitCode = 0;
    bool m_mustExit = false;
    QCommandLineParser m_parser;
    // The core's real outside world; made only when this process becomes the notifier.
    struct Outside;
    std::unique_ptr<Outside> m_outside;
    NotifierCore* m_core = nullptr;
    QCommandLineOption m_settingsOption;
    QCommandLineOption m_statusOption;
    QCommandLineOption m_jsonOption;
};
