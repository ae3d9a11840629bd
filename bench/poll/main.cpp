// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

// Poll latency: one status poll through the notifier's DbusUpdateService (four calls, each sent from the answer to
// the previous one, as its service client chains them) next to the same four calls chained bare with
// QDBusConnection::callWithCallback; and the RSS after a tenth of --rss-polls polls and after all of them.
// Needs the simulator on the bus of DBUS_SYSTEM_BUS_ADDRESS: bench/poll-bench.sh starts both.
// Usage: bench-poll [--polls N] [--rss-polls N]
#include "DbusUpdateService.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {
constexpr int blockSize = 50;
const QString serviceName = QStringLiteral("org.tarnolinux.UpdateService");
const QString serviceObjectPath = QStringLiteral("/org/tarnolinux/UpdateService");
const QString controlName = QStringLiteral("org.tarnolinux.UpdateService.Simulator");
const QStringList pollMethods = {QStringLiteral("getCurrentErrorAsInt"), QStringLiteral("getCurrentStateAsInt"),
    QStringLiteral("getUpdateDateAsString"), QStringLiteral("getMinorUpdateVersion")};

int fail(const QString& message)
{
    std::fprintf(stderr, "bench-poll: %s\n", qUtf8Printable(message));
    return 1;
}

// Blocking, outside the measured rounds.
QDBusMessage control(const char* method)
{
    return QDBusConnection::systemBus().call(
        QDBusMessage::createMethodCall(controlName, serviceObjectPath, controlName, QLatin1String(method)));
}

long rssKib()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    const QByteArray text = status.readAll();
    const int at = text.indexOf("VmRSS:");
    return at < 0 ? -1 : text.mid(at + 6, text.indexOf('\n', at) - at - 6).trimmed().split(' ').value(0).toLong();
}

// One round at a time in the event loop; a watchdog, re-armed every block of rounds, ends one that never finishes.
struct RoundLoop
{
    QEventLoop loop;
    QTimer watchdog;
    int rounds = 0;
    bool ok = true;
    void finish(bool roundOk)
    {
        ok = roundOk;
        loop.quit();
    }
    bool run()
    {
        ok = false;
        if (rounds++ % blockSize == 0) {
            watchdog.start(10000);
        }
        loop.exec();
        return ok;
    }
};

// The least asynchronous QtDBus offers: no pending-call object of our own, each call from the previous answer.
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
        const int type = reply.arguments().value(0).userType();
        const bool ok = type == (m_next <= 2 ? QMetaType::Int : QMetaType::QString);
        if (!ok || m_next == pollMethods.size()) {
            m_loop.finish(ok);
        } else {
            send();
        }
    }
    void onError(const QDBusError&, const QDBusMessage&) { m_loop.finish(false); }

private:
    void send()
    {
        QDBusConnection::systemBus().callWithCallback(
            QDBusMessage::createMethodCall(serviceName, serviceObjectPath, serviceName, pollMethods.at(m_next++)), this,
            SLOT(onReply(QDBusMessage)), SLOT(onError(QDBusError, QDBusMessage)));
    }

    RoundLoop& m_loop;
    int m_next = 0;
};

struct Series
{
    const char* name;
    std::function<bool()> round;
    std::vector<double> us;

    double at(double p)
    {
        std::sort(us.begin(), us.end());
        return us[std::min(us.size() - 1, size_t(p * double(us.size() - 1) + 0.5))];
    }
};

// The simulator's call log after one round holds exactly the four poll methods, in order.
bool makesTheFourCalls(Series& series)
{
    control("ClearCallLog");
    QStringList methods;
    const bool ok = series.round();
    for (const QString& entry : control("CallLog").arguments().value(0).toStringList()) {
        methods << entry.section(QLatin1Char('('), 0, 0);
    }
    return ok && methods == pollMethods;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    int polls = 1000, rssPolls = 10000;
    for (int i = 1; i + 1 < argc; i += 2) {
        int* value = qstrcmp(argv[i], "--polls") == 0 ? &polls
            : qstrcmp(argv[i], "--rss-polls") == 0    ? &rssPolls
                                                      : nullptr;
        if (!value) {
            return fail(QStringLiteral("usage: bench-poll [--polls N] [--rss-polls N]"));
        }
        *value = std::max(blockSize, atoi(argv[i + 1]));
    }
    if (control("ClearCallLog").type() != QDBusMessage::ReplyMessage) {
        return fail(QStringLiteral("no simulator on the system bus; run bench/poll-bench.sh"));
    }

    DbusUpdateService service;
    RoundLoop loop;
    QObject::connect(&loop.watchdog, &QTimer::timeout, &loop.loop, &QEventLoop::quit);
    CallbackChain chain(loop);
    Series notifier {"DbusUpdateService poll (4 chained calls)",
        [&] {
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
        },
        {}};
    Series floor {"floor: 4 chained callWithCallback",
        [&] {
            chain.start();
            return loop.run();
        },
        {}};

    // Memory first, the client alone, deferred deletions done before each reading. The first reading maps
    // some 70 KiB of its own, so it is made once before.
    long rssFirst = rssKib();
    for (int i = 1; i <= rssPolls; ++i) {
        if (!notifier.round()) {
            return fail(QStringLiteral("poll %1 failed").arg(i));
        }
        if (i % 1000 == 0) {
            control("ClearCallLog");
        }
        if (i == rssPolls / 10) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            rssFirst = rssKib();
        }
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const long rssLast = rssKib();
    const int watchersLeft = service.findChildren<QDBusPendingCallWatcher*>().size();

    for (Series* series : {&notifier, &floor}) {
        for (int i = 0; i < 100; ++i) { // warm-up
            series->round();
        }
        if (!makesTheFourCalls(*series)) {
            return fail(QStringLiteral("%1 does not make the four poll calls").arg(QLatin1String(series->name)));
        }
    }
    // Blocks in turn, so that a change of the machine's load hits both alike.
    QElapsedTimer clock;
    for (int done = 0; done < polls; done += blockSize) {
        for (Series* series : {&notifier, &floor}) {
            for (int i = 0; i < blockSize; ++i) {
                clock.start();
                if (!series->round()) {
                    return fail(QStringLiteral("%1 failed").arg(QLatin1String(series->name)));
                }
                series->us.push_back(double(clock.nsecsElapsed()) / 1000.0);
            }
        }
        control("ClearCallLog");
    }
    std::printf("%-42s %8s %10s %10s\n", "one poll (4 calls)", "rounds", "median us", "p99 us");
    for (Series* series : {&notifier, &floor}) {
        std::printf("%-42s %8zu %10.1f %10.1f\n", series->name, series->us.size(), series->at(0.5), series->at(0.99));
    }
    const double ratio = notifier.at(0.5) / floor.at(0.5);
    std::printf("ratio notifier / floor: median %.2f (target <= 1.20): %s\n", ratio, ratio <= 1.2 ? "met" : "MISSED");
    std::printf("RSS after %d polls %ld KiB, after %d polls %ld KiB: %+ld KiB (%s); pending-call watchers left: %d\n",
        rssPolls / 10, rssFirst, rssPolls, rssLast, rssLast - rssFirst,
        rssLast - rssFirst <= 64 ? "no growth" : "GROWS", watchersLeft);
    return 0;
}

#include "main.moc"
