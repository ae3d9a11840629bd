// Poll latency: one full status poll through the notifier's DbusUpdateService (four calls, each sent after
// the previous one answered), next to the same four calls chained bare with QtDBus; and
// the RSS after 1,000 and after 10,000 polls.
// Needs the update-service simulator on the bus of DBUS_SYSTEM_BUS_ADDRESS: bench/poll-bench.sh starts both.
// Usage: bench-poll [--polls N] [--rss-polls N]
#include "Constants.h"
#include "DbusUpdateService.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {
constexpr int warmUpRounds = 100;
constexpr int blockSize = 50;
constexpr int roundTimeoutMs = 10000;

const QString controlName = QStringLiteral("org.tarnolinux.UpdateService.Simulator");
const QStringList pollMethods = {QStringLiteral("getCurrentErrorAsInt"), QStringLiteral("getCurrentStateAsInt"),
    QStringLiteral("getUpdateDateAsString"), QStringLiteral("getMinorUpdateVersion")};

int fail(const QString& message)
{
    std::fprintf(stderr, "bench-poll: %s\n", qUtf8Printable(message));
    return 1;
}

QDBusMessage pollCall(int index)
{
    return QDBusMessage::createMethodCall(serviceName, serviceObjectPath, serviceName, pollMethods.at(index));
}

// Blocking, outside any measured round.
QDBusMessage control(const QString& method)
{
    return QDBusConnection::systemBus().call(
        QDBusMessage::createMethodCall(controlName, serviceObjectPath, controlName, method));
}

long rssKib()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLong();
        }
    }
    return -1;
}

// Runs the event loop until one round says it is done; a watchdog ends a round that never finishes.
class RoundLoop
{
public:
    RoundLoop()
    {
        m_watchdog.setSingleShot(true);
        QObject::connect(&m_watchdog, &QTimer::timeout, &m_loop, [this] {
            m_ok = false;
            m_loop.quit();
        });
    }
    void armWatchdog() { m_watchdog.start(roundTimeoutMs); }
    void finish(bool ok)
    {
        m_ok = m_ok && ok;
        m_loop.quit();
    }
    bool run()
    {
        m_ok = true;
        m_loop.exec();
        return m_ok;
    }

private:
    QEventLoop m_loop;
    QTimer m_watchdog;
    bool m_ok = true;
};

// The least async QtDBus: callWithCallback, no pending-call object of our own, each call after the answer.
class CallbackChain : public QObject
{
    Q_OBJECT
public:
    explicit CallbackChain(RoundLoop& loop) : m_loop(loop) { }
    void start()
    {
        m_next = 0;
        send();
    }

private Q_SLOTS:
    void onReply(const QDBusMessage& reply)
    {
        const QVariant value = reply.arguments().value(0);
        const bool ok = m_next <= 2 ? value.userType() == QMetaType::Int : value.userType() == QMetaType::QString;
        if (!ok || m_next == pollMethods.size()) {
            m_loop.finish(ok);
            return;
        }
        send();
    }
    void onError(const QDBusError&, const QDBusMessage&) { m_loop.finish(false); }

private:
    void send()
    {
        QDBusConnection::systemBus().callWithCallback(
            pollCall(m_next++), this, SLOT(onReply(QDBusMessage)), SLOT(onError(QDBusError, QDBusMessage)));
    }

    RoundLoop& m_loop;
    int m_next = 0;
};

// What a plain async client writes: QDBusPendingCallWatcher and QDBusPendingReply<T> per call.
class WatcherChain : public QObject
{
public:
    explicit WatcherChain(RoundLoop& loop) : m_loop(loop) { }
    void start() { send<int>(0); }

private:
    template<typename T>
    void send(int index)
    {
        auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(pollCall(index)), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, index](QDBusPendingCallWatcher* call) {
            call->deleteLater();
            const QDBusPendingReply<T> reply = *call;
            if (reply.isError() || index + 1 == pollMethods.size()) {
                m_loop.finish(!reply.isError());
            } else if (index + 1 < 2) {
                send<int>(index + 1);
            } else {
                send<QString>(index + 1);
            }
        });
    }

    RoundLoop& m_loop;
};

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
    double mean() const
    {
        double sum = 0;
        for (qint64 ns : nanoseconds) {
            sum += double(ns);
        }
        return sum / double(nanoseconds.size()) / 1000.0;
    }
};

// The calls the simulator received for one round must be exactly the four poll methods, in order.
bool madeTheFourCalls(const std::function<bool()>& round)
{
    control(QStringLiteral("ClearCallLog"));
    if (!round()) {
        return false;
    }
    QStringList methods;
    const QStringList log = control(QStringLiteral("CallLog")).arguments().value(0).toStringList();
    for (const QString& entry : log) {
        methods << entry.section(QLatin1Char('('), 0, 0);
    }
    return methods == pollMethods;
}
} // namespace

int main(int argc, char* argv[])
{
    int polls = 1000;
    int rssPolls = 10000;
    for (int i = 1; i + 1 < argc; ++i) {
        if (qstrcmp(argv[i], "--polls") == 0) {
            polls = std::max(blockSize, atoi(argv[i + 1]));
        } else if (qstrcmp(argv[i], "--rss-polls") == 0) {
            rssPolls = std::max(10, atoi(argv[i + 1]));
        }
    }
    if (qEnvironmentVariableIsEmpty("DBUS_SYSTEM_BUS_ADDRESS")) {
        return fail(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS is not set; run bench/poll-bench.sh"));
    }
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(serviceName) ||
        !bus.interface()->isServiceRegistered(controlName)) {
        return fail(QStringLiteral("no simulator on %1; run bench/poll-bench.sh")
                        .arg(QString::fromLocal8Bit(qgetenv("DBUS_SYSTEM_BUS_ADDRESS"))));
    }

    // The notifier's poll as it reaches the bus: the four calls of its DbusUpdateService, each sent from
    // the answer to the previous one, as its service client chains them. The client itself adds only
    // bookkeeping, and the benchmarks stay outside the core.
    DbusUpdateService service;
    RoundLoop loop;
    const auto poll = [&] {
        service.currentError([&](std::optional<int> error) {
            service.currentState([&, error](std::optional<int> state) {
                service.updateDate([&, error, state](std::optional<QString> date) {
                    service.updateVersion([&, error, state, date](std::optional<QString> version) {
                        loop.finish(error && state == 4 && date && version);
                    });
                });
            });
        });
        return loop.run();
    };

    CallbackChain callbackChain(loop);
    WatcherChain watcherChain(loop);
    Series notifier {"DbusUpdateService poll (4 chained calls)", poll, {}};
    Series floor {"floor: 4 chained callWithCallback",
        [&] {
            callbackChain.start();
            return loop.run();
        },
        {}};
    Series watcher {"4 chained asyncCall + watcher",
        [&] {
            watcherChain.start();
            return loop.run();
        },
        {}};
    Series blocking {"4 blocking QDBusConnection::call",
        [&] {
            for (int i = 0; i < pollMethods.size(); ++i) {
                if (bus.call(pollCall(i)).type() != QDBusMessage::ReplyMessage) {
                    return false;
                }
            }
            return true;
        },
        {}};
    const std::vector<Series*> all = {&notifier, &floor, &watcher, &blocking};

    // Memory first, on the client alone: RSS after rssPolls / 10 polls and after rssPolls.
    QElapsedTimer clock;
    const int rssFirst = rssPolls / 10;
    long rssAtFirst = 0;
    loop.armWatchdog();
    clock.start();
    for (int i = 1; i <= rssPolls; ++i) {
        if (!notifier.round()) {
            return fail(QStringLiteral("poll %1 failed").arg(i));
        }
        if (i % blockSize == 0) {
            loop.armWatchdog();
            control(QStringLiteral("ClearCallLog"));
        }
        if (i == rssFirst) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            rssAtFirst = rssKib();
        }
    }
    const double rssPhaseSeconds = double(clock.nsecsElapsed()) / 1e9;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const long rssAtLast = rssKib();
    const int watchersLeft = service.findChildren<QDBusPendingCallWatcher*>().size();

    // Warm-up, then a check of each round's calls.
    for (Series* series : all) {
        for (int i = 0; i < warmUpRounds; ++i) {
            loop.armWatchdog();
            if (!series->round()) {
                return fail(QStringLiteral("%1 failed during warm-up").arg(QLatin1String(series->name)));
            }
        }
        if (!madeTheFourCalls(series->round)) {
            return fail(
                QStringLiteral("%1 does not make exactly the four poll calls").arg(QLatin1String(series->name)));
        }
    }

    // Blocks of each in turn, so a load change on the machine hits all of them alike.
    for (int done = 0; done < polls; done += blockSize) {
        for (Series* series : all) {
            loop.armWatchdog();
            for (int i = 0; i < blockSize; ++i) {
                clock.start();
                const bool ok = series->round();
                series->nanoseconds.push_back(clock.nsecsElapsed());
                if (!ok) {
                    return fail(QStringLiteral("%1 failed").arg(QLatin1String(series->name)));
                }
            }
        }
        control(QStringLiteral("ClearCallLog"));
    }
    std::printf("%-36s %8s %10s %10s %10s\n", "one poll (4 calls)", "rounds", "median us", "p99 us", "mean us");
    for (const Series* series : all) {
        std::printf("%-36s %8zu %10.1f %10.1f %10.1f\n", series->name, series->nanoseconds.size(),
            series->percentile(0.5), series->percentile(0.99), series->mean());
    }
    const double ratio = notifier.percentile(0.5) / floor.percentile(0.5);
    std::printf("ratio notifier / floor: median %.2f, p99 %.2f (target <= 1.20): %s\n", ratio,
        notifier.percentile(0.99) / floor.percentile(0.99), ratio <= 1.2 ? "met" : "MISSED");
    std::printf("for information, notifier / watcher chain %.2f, / blocking calls %.2f (medians)\n",
        notifier.percentile(0.5) / watcher.percentile(0.5), notifier.percentile(0.5) / blocking.percentile(0.5));
    const long growth = rssAtLast - rssAtFirst;
    std::printf("RSS after %d polls %ld KiB, after %d polls %ld KiB: %+ld KiB (%s); %.1f us per poll; "
                "pending-call watchers left: %d\n",
        rssFirst, rssAtFirst, rssPolls, rssAtLast, growth, growth <= 64 ? "no growth" : "GROWS",
        rssPhaseSeconds * 1e6 / rssPolls, watchersLeft);
    return 0;
}

#include "main.moc"
