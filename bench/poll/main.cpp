// Poll latency: one full status poll of the notifier core against the simulator (four blocking calls
// plus what the core does with the answers), next to the same four calls made bare with QtDBus.
// Usage: bench-poll [--polls N]
#include "Constants.h"
#include "NotifierCore.h"
#include "NotifierCoreProbe.h"
#include "SimulatorProcess.h"
#include "TestEnvironment.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDateTime>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {
constexpr int warmUpRounds = 100;
constexpr int blockSize = 50;

const QStringList pollMethods = {QStringLiteral("getCurrentErrorAsInt"), QStringLiteral("getCurrentStateAsInt"),
    QStringLiteral("getUpdateDateAsString"), QStringLiteral("getMinorUpdateVersion")};

struct Series
{
    const char* name;
    std::function<bool()> round;
    std::vector<qint64> nanoseconds;

    double percentile(double p) const
    {
        std::vector<qint64> sorted = nanoseconds;
        std::sort(sorted.begin(), sorted.end());
        const size_t index = std::min(sorted.size() - 1, size_t(p * double(sorted.size() - 1) + 0.5));
        return double(sorted[index]) / 1000.0;
    }
};

int fail(const char* message)
{
    std::fprintf(stderr, "bench-poll: %s\n", message);
    return 1;
}

// The calls the simulator received for one round must be exactly the four poll methods.
bool madeTheFourCalls(SimulatorProcess& simulator, const std::function<bool()>& round)
{
    simulator.clearCallLog();
    if (!round()) {
        return false;
    }
    QStringList methods;
    const QStringList log = simulator.callLog();
    for (const QString& entry : log) {
        methods << entry.section(QLatin1Char('('), 0, 0);
    }
    return methods == pollMethods;
}
} // namespace

int main(int argc, char* argv[])
{
    int polls = 1000;
    for (int i = 1; i + 1 < argc; ++i) {
        if (qstrcmp(argv[i], "--polls") == 0) {
            polls = std::max(blockSize, atoi(argv[i + 1]));
        }
    }
    if (!TestEnvironment::instance().setUp()) {
        return fail("cannot set up private buses");
    }
    QApplication app(argc, argv);

    SimulatorProcess simulator;
    const QString date = QDateTime::currentDateTime().addDays(7).toString(dateTimeFormat);
    if (!simulator.start({QStringLiteral("--state"), QStringLiteral("4"), QStringLiteral("--date"), date,
            QStringLiteral("--version"), QStringLiteral("3.1.19")})) {
        return fail("the simulator did not start");
    }

    // The measured core, without a tray icon; and one with a tray icon object (no tray is shown on the
    // offscreen platform, but each poll still builds the icons), to show what the icon costs per poll.
    NotifierCore core(false, nullptr);
    NotifierCoreProbe probe(&core);
    NotifierCore trayCore(true, nullptr);
    NotifierCoreProbe trayProbe(&trayCore);
    for (const NotifierCoreProbe* p : {&probe, &trayProbe}) {
        if (!p->serviceConnected()) {
            return fail("the core did not connect to the simulator");
        }
        // Only the polls made here run; no event loop turns, but stop the timers all the same.
        for (QTimer* timer : {p->statusTimer(), p->packageTimer(), p->checkTimer(), p->remindMenuTimer(),
                 p->upgradeFilesTimer(), p->reconnectTimer(), p->hideTimer()}) {
            if (timer) {
                timer->stop();
            }
        }
    }

    QDBusConnection bus = QDBusConnection::systemBus();
    QDBusInterface interface(serviceName, serviceObjectPath, serviceName, bus);

    Series notifier {"notifier pollStatus()",
        [&] {
            probe.pollStatus();
            return probe.state() == UpdateReady && probe.serviceConnected();
        },
        {}};
    Series bareMessage {"floor: 4 x QDBusConnection::call",
        [&] {
            for (const QString& method : pollMethods) {
                const QDBusMessage call =
                    QDBusMessage::createMethodCall(serviceName, serviceObjectPath, serviceName, method);
                if (bus.call(call).type() != QDBusMessage::ReplyMessage) {
                    return false;
                }
            }
            return true;
        },
        {}};
    Series bareInterface {"4 x QDBusInterface::call",
        [&] {
            for (const QString& method : pollMethods) {
                if (interface.call(method).type() != QDBusMessage::ReplyMessage) {
                    return false;
                }
            }
            return true;
        },
        {}};
    Series withTray {"notifier pollStatus(), with tray icon",
        [&] {
            trayProbe.pollStatus();
            return trayProbe.state() == UpdateReady && trayProbe.serviceConnected();
        },
        {}};
    std::vector<Series*> all = {&notifier, &bareMessage, &bareInterface, &withTray};

    // Warm up: connections, introspection, first replies, caches; then check each round's calls.
    for (Series* series : all) {
        for (int i = 0; i < warmUpRounds; ++i) {
            if (!series->round()) {
                std::fprintf(stderr, "bench-poll: %s failed during warm-up\n", series->name);
                return 1;
            }
        }
        if (!madeTheFourCalls(simulator, series->round)) {
            std::fprintf(stderr, "bench-poll: %s does not make exactly the four poll calls\n", series->name);
            return 1;
        }
    }
    simulator.clearCallLog();

    // Blocks of each in turn, so a load change on the machine hits all of them alike.
    QElapsedTimer clock;
    for (int done = 0; done < polls; done += blockSize) {
        for (Series* series : all) {
            for (int i = 0; i < blockSize; ++i) {
                clock.start();
                const bool ok = series->round();
                series->nanoseconds.push_back(clock.nsecsElapsed());
                if (!ok) {
                    std::fprintf(stderr, "bench-poll: %s failed\n", series->name);
                    return 1;
                }
            }
        }
    }

    std::printf("%-40s %8s %10s %10s %10s\n", "one poll (4 calls)", "rounds", "median us", "p99 us", "mean us");
    for (const Series* series : all) {
        double sum = 0;
        for (qint64 ns : series->nanoseconds) {
            sum += double(ns);
        }
        std::printf("%-40s %8zu %10.1f %10.1f %10.1f\n", series->name, series->nanoseconds.size(),
            series->percentile(0.5), series->percentile(0.99), sum / double(series->nanoseconds.size()) / 1000.0);
    }
    const double ratioMedian = notifier.percentile(0.5) / bareMessage.percentile(0.5);
    const double ratioP99 = notifier.percentile(0.99) / bareMessage.percentile(0.99);
    std::printf("ratio notifier / floor: median %.2f, p99 %.2f (target <= 1.20): %s\n", ratioMedian, ratioP99,
        ratioMedian <= 1.2 ? "met" : "MISSED");
    return 0;
}
