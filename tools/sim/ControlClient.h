#pragma once

#include <QDBusConnection>
#include <QString>
#include <QStringList>
#include <QVariantList>

class QDBusMessage;

// The "ctl" command line: drives a running simulator through its control interface.
class ControlClient
{
public:
    enum ExitCode { Success = 0, Failure = 1, UsageError = 2 };

    // arguments are those after "ctl".
    static int run(const QStringList& arguments);
    static QString usage();

private:
    explicit ControlClient(const QDBusConnection& bus);

    int execute(const QString& command, const QStringList& arguments);
    int script(const QStringList& arguments);
    // Calls a control method; on failure prints the error and returns false.
    bool call(const QString& method, const QVariantList& arguments, QDBusMessage* reply = nullptr);

    QDBusConnection m_bus;
};
