#include "ControlClient.h"
#include "Simulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

int signalPipe[2] = {-1, -1};

// Only a write() may run in a signal handler; the event loop reads the pipe.
void requestExit(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    // A full pipe means an exit is pending already.
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = savedErrno;
}

// Re-executes this binary with argv[0] set to the real service's path, so that a process-table check,
// which matches argv[0], finds it. execv keeps the PID. Returns only when the exec failed.
void pose(int argc, char** argv)
{
    std::vector<char*> arguments {const_cast<char*>("/usr/sbin/tarno-update-service")};
    arguments.insert(arguments.end(), argv + 1, argv + argc);
    arguments.push_back(const_cast<char*>("--posed"));
    arguments.push_back(nullptr);
    ::execv("/proc/self/exe", arguments.data());
}

int fail(const QString& message, const QCommandLineParser* parser = nullptr)
{
    std::fprintf(stderr, "tarno-update-service-sim: %s\n%s", qUtf8Printable(message),
        parser ? qUtf8Printable(parser->helpText()) : "");
    return parser ? 2 : 1;
}

int runSimulator(QCoreApplication& app, int argc, char** argv)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Stands in for the update service and the administration service.\n"
                                                    "Drive it with: tarno-update-service-sim ctl --help"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption bus(QStringLiteral("bus"), QStringLiteral("The bus: system or session."),
        QStringLiteral("BUS"), QStringLiteral("system"));
    const QCommandLineOption state(
        QStringLiteral("state"), QStringLiteral("The state reported."), QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption error(
        QStringLiteral("error"), QStringLiteral("The error code reported."), QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption date(
        QStringLiteral("date"), QStringLiteral("The update date reported."), QStringLiteral("hh:mm dd.MM.yyyy"));
    const QCommandLineOption version(
        QStringLiteral("version"), QStringLiteral("The update version reported."), QStringLiteral("TEXT"));
    const QCommandLineOption sysroot(QStringLiteral("sysroot"),
        QStringLiteral("The root of the files (default: $ZIB_NOTIFIER_SYSROOT, else /)."), QStringLiteral("DIR"),
        qEnvironmentVariable("ZIB_NOTIFIER_SYSROOT"));
    const QCommandLineOption noPose(
        QStringLiteral("no-pose"), QStringLiteral("Do not run as /usr/sbin/tarno-update-service."));
    // Set on the re-executed process, so that it does not pose again.
    QCommandLineOption posed(QStringLiteral("posed"));
    posed.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({help, bus, state, error, date, version, sysroot, noPose, posed});

    if (!parser.parse(app.arguments()))
        return fail(parser.errorText(), &parser);
    if (parser.isSet(help)) {
        std::fputs(qUtf8Printable(parser.helpText()), stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unknown argument \"%1\"").arg(parser.positionalArguments().constFirst()), &parser);
    const std::optional<QDBusConnection> connection = Simulator::bus(parser.value(bus));
    if (!connection)
        return fail(QStringLiteral("--bus must be system or session, not \"%1\"").arg(parser.value(bus)), &parser);
    bool stateOk = false;
    bool errorOk = false;
    const int initialState = parser.value(state).toInt(&stateOk);
    const int initialError = parser.value(error).toInt(&errorOk);
    if (!stateOk || !errorOk)
        return fail(QStringLiteral("--state and --error need an integer"), &parser);
    if (!parser.isSet(noPose) && !parser.isSet(posed)) {
        pose(argc, argv);
        return fail(QStringLiteral("cannot re-execute as /usr/sbin/tarno-update-service: %1")
                        .arg(QString::fromLocal8Bit(std::strerror(errno))));
    }

    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return fail(QStringLiteral("cannot watch for signals: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [] { QCoreApplication::exit(0); });
    struct sigaction action = {};
    action.sa_handler = requestExit;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);

    Simulator simulator(*connection, parser.value(sysroot));
    simulator.state = initialState;
    simulator.error = initialError;
    simulator.date = parser.value(date);
    simulator.version = parser.value(version);
    QString failure;
    if (!simulator.start(&failure))
        return fail(failure);
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
