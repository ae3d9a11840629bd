// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "ControlClient.h"
#include "Simulator.h"
#include "SystemdStandIn.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/signalfd.h>
#include <unistd.h>
#include <vector>

namespace {

const char servicePath[] = "/usr/sbin/tarno-update-service";

// Re-executes this binary with argv[0] set to the real service's path, so that a process-table check,
// which matches argv[0], finds it. execv keeps the PID. Returns only when the exec failed.
void pose(int argc, char** argv)
{
    std::vector<char*> arguments {const_cast<char*>(servicePath)};
    arguments.insert(arguments.end(), argv + 1, argv + argc);
    arguments.push_back(const_cast<char*>("--posed"));
    arguments.push_back(nullptr);
    ::execv("/proc/self/exe", arguments.data());
}

// With a parser, a usage error (exit 2) that shows the help.
int fail(const QString& message, const QCommandLineParser* parser = nullptr)
{
    std::fprintf(stderr, "tarno-update-service-sim: %s\n%s", qUtf8Printable(message),
        parser ? qUtf8Printable(parser->helpText()) : "");
    return parser ? 2 : 1;
}

int runSimulator(QCoreApplication& app, int argc, char** argv)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Stands in for the update service and the administration service. "
                                                    "Drive it with its ctl command (ctl --help)."));
    // Set on the re-executed process, so that it does not pose again.
    QCommandLineOption posed(QStringLiteral("posed"));
    posed.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({posed, {{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")},
        {QStringLiteral("bus"), QStringLiteral("The bus: system or session."), QStringLiteral("BUS"),
            QStringLiteral("system")},
        {QStringLiteral("state"), QStringLiteral("The state reported."), QStringLiteral("N"), QStringLiteral("0")},
        {QStringLiteral("error"), QStringLiteral("The error code reported."), QStringLiteral("N"), QStringLiteral("0")},
        {QStringLiteral("date"), QStringLiteral("The update date reported."), QStringLiteral("hh:mm dd.MM.yyyy")},
        {QStringLiteral("version"), QStringLiteral("The update version reported."), QStringLiteral("TEXT")},
        {QStringLiteral("sysroot"), QStringLiteral("The root of the files (default: $ZIB_NOTIFIER_SYSROOT, else /)."),
            QStringLiteral("DIR"), qEnvironmentVariable("ZIB_NOTIFIER_SYSROOT")},
        {QStringLiteral("no-pose"), QStringLiteral("Do not run as %1.").arg(QLatin1String(servicePath))},
        {QStringLiteral("systemd"), QStringLiteral("Also stand in for systemd, with the service's unit in STATE."),
            QStringLiteral("STATE")}});
    const auto value = [&parser](const char* name) {
        return parser.value(QLatin1String(name));
    };

    if (!parser.parse(app.arguments()))
        return fail(parser.errorText(), &parser);
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qUtf8Printable(parser.helpText()), stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unknown argument \"%1\"").arg(parser.positionalArguments().constFirst()), &parser);
    bool stateOk = false;
    bool errorOk = false;
    const int state = value("state").toInt(&stateOk);
    const int error = value("error").toInt(&errorOk);
    if (!stateOk || !errorOk)
        return fail(QStringLiteral("--state and --error need an integer"), &parser);
    if (value("bus") != QLatin1String("system") && value("bus") != QLatin1String("session"))
        return fail(QStringLiteral("--bus must be system or session, not \"%1\"").arg(value("bus")), &parser);
    if (!parser.isSet(QStringLiteral("no-pose")) && !parser.isSet(posed)) {
        pose(argc, argv);
        return fail(QStringLiteral("cannot re-execute as %1: %2")
                        .arg(QLatin1String(servicePath), QString::fromLocal8Bit(std::strerror(errno))));
    }

    // SIGTERM and SIGINT end the event loop through a signalfd. They are blocked before the first bus
    // access, because QtDBus then starts a thread, which inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    const int signalFd =
        ::pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr) == 0 ? ::signalfd(-1, &stopSignals, SFD_CLOEXEC) : -1;
    if (signalFd < 0)
        return fail(QStringLiteral("cannot watch for signals: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
    QSocketNotifier signalNotifier(signalFd, QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [] { QCoreApplication::exit(0); });

    Simulator simulator(*Simulator::bus(value("bus")), value("sysroot"));
    simulator.state = state;
    simulator.error = error;
    simulator.date = value("date");
    simulator.version = value("version");
    QString failure;
    if (!simulator.start(&failure))
        return fail(failure);
    SystemdStandIn systemd;
    if (parser.isSet(QStringLiteral("systemd")) && !systemd.start(*Simulator::bus(value("bus")), value("systemd")))
        return fail(QStringLiteral("cannot stand in for systemd on the bus"));
    // The parent waits for this line.
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    return app.exec();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "ctl") == 0)
        return ControlClient::run(app.arguments().mid(2));
    return runSimulator(app, argc, argv);
}
