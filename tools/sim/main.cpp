#include "ControlClient.h"
#include "Posing.h"
#include "SignalWatcher.h"
#include "SimOptions.h"
#include "Simulator.h"

#include <QCoreApplication>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

int runSimulator(int argc, char** argv)
{
    QString error;
    const std::optional<SimOptions> options = SimOptions::parse(argc, argv, &error);
    if (!options) {
        std::fprintf(
            stderr, "tarno-update-service-sim: %s\n%s", qUtf8Printable(error), qUtf8Printable(SimOptions::usage()));
        return 2;
    }
    if (options->help) {
        std::fputs(SimOptions::usage().toUtf8().constData(), stdout);
        return 0;
    }
    if (options->pose && !options->posed) {
        Posing::reexec(argc, argv);
        std::fprintf(stderr, "tarno-update-service-sim: cannot re-execute as %s: %s\n", Posing::servicePath,
            std::strerror(errno));
        return 1;
    }

    QCoreApplication app(argc, argv);
    SignalWatcher signalWatcher;
    if (!signalWatcher.isValid()) {
        std::fprintf(stderr, "tarno-update-service-sim: cannot watch for signals: %s\n", std::strerror(errno));
        return 1;
    }
    QObject::connect(&signalWatcher, &SignalWatcher::terminationRequested, &app, [] { QCoreApplication::exit(0); });

    Simulator simulator(SimOptions::connection(options->bus), options->sysroot);
    simulator.state = options->state;
    simulator.error = options->error;
    simulator.date = options->date;
    simulator.version = options->version;
    if (!simulator.start(&error)) {
        std::fprintf(stderr, "tarno-update-service-sim: %s\n", qUtf8Printable(error));
        return 1;
    }
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    return app.exec();
}

int runControl(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(2);
    return ControlClient::run(arguments);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "ctl") == 0)
        return runControl(argc, argv);
    return runSimulator(argc, argv);
}
