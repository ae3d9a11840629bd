#include "ServiceClient.h"

#include "Constants.h"

#include <QPointer>

namespace {
constexpr int pollIntervalMs = 30000;
constexpr int firstPollDelayMs = 3000;
constexpr int retryIntervalMs = 30000;
} // namespace

ServiceClient::ServiceClient(UpdateService& service, ServicePresence& presence, QObject* parent)
    : QObject(parent)
    , m_service(service)
    , m_presence(presence)
    , m_pollTimer(this)
    , m_firstPollTimer(this)
    , m_retryTimer(this)
{
    m_pollTimer.setObjectName(QStringLiteral("pollTimer"));
    m_pollTimer.setInterval(pollIntervalMs);
    connect(&m_pollTimer, &QTimer::timeout, this, &ServiceClient::poll);
    m_firstPollTimer.setObjectName(QStringLiteral("firstPollTimer"));
    m_firstPollTimer.setSingleShot(true);
    m_firstPollTimer.setInterval(firstPollDelayMs);
    connect(&m_firstPollTimer, &QTimer::timeout, this, &ServiceClient::poll);
    m_retryTimer.setObjectName(QStringLiteral("retryTimer"));
    m_retryTimer.setInterval(retryIntervalMs);
    connect(&m_retryTimer, &QTimer::timeout, this, &ServiceClient::reconnect);
}

// An answer that arrives after the client is gone is dropped.
template<typename T>
std::function<void(T)> ServiceClient::guarded(std::function<void(T)> handler)
{
    return [self = QPointer<ServiceClient>(this), handler](T value) {
        if (self) {
            handler(value);
        }
    };
}

void ServiceClient::start()
{
    runOrQueue([this] { attempt(true, [this] { finishJob(); }); });
    m_pollTimer.start();
    m_firstPollTimer.start();
}

void ServiceClient::runOrQueue(Step job)
{
    if (m_busy) {
        m_jobs.enqueue(std::move(job));
        return;
    }
    m_busy = true;
    job();
}

void ServiceClient::finishJob()
{
    if (m_reconnectWanted) {
        m_reconnectWanted = false;
        attempt(false, [this] { finishJob(); });
        return;
    }
    m_busy = false;
    if (!m_jobs.isEmpty()) {
        runOrQueue(m_jobs.dequeue());
    }
}

void ServiceClient::reconnect()
{
    if (m_busy) {
        m_reconnectWanted = true;
        return;
    }
    runOrQueue([this] { attempt(false, [this] { finishJob(); }); });
}

void ServiceClient::attempt(bool first, Step done)
{
    m_connected = false;
    m_pollTimer.stop();
    Q_EMIT connecting();

    const auto failed = [this, done] {
        Q_EMIT unreachable();
        m_retryTimer.start();
        done();
    };
    m_presence.checkActive(guarded<bool>([this, first, done, failed](bool active) {
        if (!active) {
            failed();
            return;
        }
        m_service.checkReachable(guarded<bool>([this, first, done, failed](bool reachable) {
            if (!reachable) {
                failed();
                return;
            }
            m_connected = true;
            m_retryTimer.stop();
            m_pollTimer.start();
            // After a reconnection what is shown stays until a poll has asked the service.
            if (!first) {
                m_firstPollTimer.start();
            }
            Q_EMIT connected(first);
            done();
        }));
    }));
}

// A failed call asked for a reconnection: make it before the next call goes out.
void ServiceClient::afterCall(Step next)
{
    if (m_reconnectWanted) {
        m_reconnectWanted = false;
        attempt(false, std::move(next));
        return;
    }
    next();
}

// A failed call always ends in a new connection, made before the next call.
void ServiceClient::fail()
{
    m_reconnectWanted = true;
    Q_EMIT callFailed();
}

void ServiceClient::poll()
{
    Q_EMIT pollStarted();
    if (!m_connected || m_polling) {
        return;
    }
    m_polling = true;
    runOrQueue([this] {
        if (!m_connected) {
            endPoll(std::nullopt, false);
            return;
        }
        pollError();
    });
}

void ServiceClient::pollError()
{
    m_service.currentError(guarded<std::optional<int>>([this](std::optional<int> code) {
        if (!code) {
            fail();
        } else {
            m_errorCode = qMax(0, *code);
        }
        Q_EMIT errorChecked(m_errorCode, code.has_value());
        // The state is asked even when the reconnection after a failure did not succeed.
        afterCall([this] { pollState(); });
    }));
}

void ServiceClient::pollState()
{
    m_service.currentState(guarded<std::optional<int>>([this](std::optional<int> answer) {
        if (!answer) {
            fail();
            endPoll(std::nullopt, false);
        } else if (*answer >= 4 && *answer <= 6) {
            pollDate(*answer);
        } else {
            if (*answer >= -1 && *answer <= 3) {
                m_updateDate = QDateTime();
            }
            endPoll(*answer, false);
        }
    }));
}

void ServiceClient::pollDate(int answer)
{
    if (!m_connected) {
        pollVersion(answer, false);
        return;
    }
    m_service.updateDate(guarded<std::optional<QString>>([this, answer](std::optional<QString> text) {
        bool changed = false;
        if (!text) {
            fail();
        } else {
            const QDateTime date = QDateTime::fromString(*text, dateTimeFormat);
            changed = date != m_updateDate; // two invalid dates count as equal
            m_updateDate = date;
        }
        afterCall([this, answer, changed] { pollVersion(answer, changed); });
    }));
}

void ServiceClient::pollVersion(int answer, bool dateChanged)
{
    if (!m_connected) {
        endPoll(answer, dateChanged);
        return;
    }
    m_service.updateVersion(guarded<std::optional<QString>>([this, answer, dateChanged](std::optional<QString> text) {
        if (!text) {
            fail();
        } else {
            m_updateVersion = *text;
        }
        afterCall([this, answer, dateChanged] { endPoll(answer, dateChanged); });
    }));
}

void ServiceClient::endPoll(std::optional<int> answer, bool dateChanged)
{
    m_polling = false;
    if (answer) {
        Q_EMIT polled(*answer, dateChanged);
    }
    finishJob();
}

void ServiceClient::request(std::function<void(UpdateService::IntReply)> call, UpdateService::IntReply done)
{
    runOrQueue([this, call, done] {
        if (!m_connected) {
            if (done) {
                done(std::nullopt);
            }
            finishJob();
            return;
        }
        call(guarded<std::optional<int>>([this, done](std::optional<int> reply) {
            if (!reply) {
                fail();
            }
            if (done) {
                done(reply);
            }
            finishJob();
        }));
    });
}

void ServiceClient::removeResultStamp(int kind)
{
    request([this, kind](UpdateService::IntReply reply) { m_service.removeResultStamp(kind, reply); }, {});
}

void ServiceClient::enterOutsideState(std::function<void(bool entered)> done)
{
    request([this](UpdateService::IntReply reply) { m_service.setStateFromOutside(3, reply); },
        [done](std::optional<int> reply) { done(reply.has_value()); });
}

void ServiceClient::enableOnReboot(UpdateService::IntReply done)
{
    request([this](UpdateService::IntReply reply) { m_service.enableOnReboot(reply); }, std::move(done));
}

void ServiceClient::disableOnReboot(UpdateService::IntReply done)
{
    request([this](UpdateService::IntReply reply) { m_service.disableOnReboot(reply); }, std::move(done));
}
