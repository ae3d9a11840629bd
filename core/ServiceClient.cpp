// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "ServiceClient.h"

#include "DateFormat.h"
#include "Logging.h"

#include <QPointer>

namespace {
constexpr int pollIntervalMs = 30000;
constexpr int firstPollDelayMs = 3000;
} // namespace

ServiceClient::ServiceClient(UpdateService& service, ServicePresence& presence, Clock& clock, QObject* parent)
    : QObject(parent)
    , m_service(service)
    , m_connection(service, presence, clock, this)
    , m_pollTimer(clock, pollIntervalMs, false, this)
    , m_firstPollTimer(clock, firstPollDelayMs, true, this)
{
    connect(&m_pollTimer, &Timer::timeout, this, &ServiceClient::poll);
    connect(&m_firstPollTimer, &Timer::timeout, this, &ServiceClient::poll);
    connect(&m_connection, &ServiceConnection::retryDue, this, &ServiceClient::reconnect);
    connect(&m_connection, &ServiceConnection::connecting, this, &ServiceClient::connecting);
    connect(&m_connection, &ServiceConnection::connected, this, &ServiceClient::onConnected);
    connect(&m_connection, &ServiceConnection::unreachable, this, [this] {
        m_pollTimer.stop();
        Q_EMIT unreachable();
    });
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
    m_connection.watchOwner();
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
    m_pollTimer.stop();
    m_connection.attempt(first, std::move(done));
}

void ServiceClient::onConnected(bool first)
{
    m_pollTimer.start();
    // What is shown stays until a poll has asked the service: 3 s after a reconnection, and after a
    // first connection that came too late for the first poll.
    if (!first || (!m_firstPollDone && !m_firstPollTimer.isActive())) {
        m_firstPollTimer.start();
    }
    Q_EMIT connected(first);
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

// A service that is gone is lost, as at a failed connection, and told once. One that is still there
// answered wrongly: that is a faulty reply, and a new connection is made before the next call.
void ServiceClient::failed(Step stillThere, Step gone)
{
    m_connection.checkAfterFailure([this, stillThere, gone](bool there) {
        if (!there) {
            gone();
            return;
        }
        qCInfo(lcCore) << "A call to the update service failed; reconnecting";
        m_reconnectWanted = true;
        Q_EMIT callFailed();
        stillThere();
    });
}

void ServiceClient::poll()
{
    Q_EMIT pollStarted();
    if (!m_connection.isConnected() || m_polling) {
        return;
    }
    m_polling = true;
    runOrQueue([this] {
        if (!m_connection.isConnected()) {
            endPoll(std::nullopt, false);
            return;
        }
        m_firstPollDone = true;
        pollError();
    });
}

void ServiceClient::pollError()
{
    m_service.currentError(guarded<std::optional<int>>([this](std::optional<int> code) {
        if (!code) {
            failed(
                [this] {
                    Q_EMIT errorChecked(m_errorCode, false);
                    // The state is asked even when the reconnection after the failure did not succeed.
                    afterCall([this] { pollState(); });
                },
                [this] { endPoll(std::nullopt, false); });
            return;
        }
        const int before = m_errorCode;
        m_errorCode = qMax(0, *code);
        if (m_errorCode != before && m_errorCode > 0) {
            qCWarning(lcCore) << "The update service reports the error code" << m_errorCode;
        } else if (before > 0 && m_errorCode == 0) {
            qCWarning(lcCore) << "The update service reports no error any more";
        }
        Q_EMIT errorChecked(m_errorCode, true);
        afterCall([this] { pollState(); });
    }));
}

void ServiceClient::pollState()
{
    m_service.currentState(guarded<std::optional<int>>([this](std::optional<int> answer) {
        if (!answer) {
            failed([this] { endPoll(std::nullopt, false); }, [this] { endPoll(std::nullopt, false); });
            return;
        }
        const ServiceState state = decodeServiceState(*answer);
        if (state == ServiceState::Ready || state == ServiceState::Set) {
            pollDate(state);
            return;
        }
        if (state == ServiceState::Nothing || state == ServiceState::Faulty) {
            m_updateDate = QDateTime();
        }
        endPoll(state, false);
    }));
}

void ServiceClient::pollDate(ServiceState state)
{
    if (!m_connection.isConnected()) {
        pollVersion(state, false);
        return;
    }
    m_service.updateDate(guarded<std::optional<QString>>([this, state](std::optional<QString> text) {
        if (!text) {
            failed([this, state] { afterCall([this, state] { pollVersion(state, false); }); },
                [this] { endPoll(std::nullopt, false); });
            return;
        }
        const QDateTime date = QDateTime::fromString(*text, dateTimeFormat);
        const bool changed = date != m_updateDate; // two invalid dates count as equal
        m_updateDate = date;
        afterCall([this, state, changed] { pollVersion(state, changed); });
    }));
}

void ServiceClient::pollVersion(ServiceState state, bool dateChanged)
{
    if (!m_connection.isConnected()) {
        endPoll(state, dateChanged);
        return;
    }
    m_service.updateVersion(guarded<std::optional<QString>>([this, state, dateChanged](std::optional<QString> text) {
        if (!text) {
            failed([this, state, dateChanged] { afterCall([=] { endPoll(state, dateChanged); }); },
                [this] { endPoll(std::nullopt, false); });
            return;
        }
        m_updateVersion = *text;
        afterCall([this, state, dateChanged] { endPoll(state, dateChanged); });
    }));
}

void ServiceClient::endPoll(std::optional<ServiceState> state, bool dateChanged)
{
    m_polling = false;
    // A service lost meanwhile is told as such, not by an answer from before.
    if (state && m_connection.isConnected()) {
        Q_EMIT polled(*state, dateChanged);
    }
    finishJob();
}

void ServiceClient::request(std::function<void(UpdateService::IntReply)> call, UpdateService::IntReply done)
{
    runOrQueue([this, call, done] {
        const auto finish = [this, done](std::optional<int> reply) {
            if (done) {
                done(reply);
            }
            finishJob();
        };
        if (!m_connection.isConnected()) {
            finish(std::nullopt);
            return;
        }
        call(guarded<std::optional<int>>([this, finish](std::optional<int> reply) {
            if (reply) {
                finish(reply);
                return;
            }
            const Step failure = [finish] {
                finish(std::nullopt);
            };
            failed(failure, failure);
        }));
    });
}

void ServiceClient::removeResultStamp(ResultStamp kind)
{
    qCInfo(lcCore) << "Asking the update service to remove the result stamp" << int(kind);
    request([this, kind](UpdateService::IntReply reply) { m_service.removeResultStamp(int(kind), reply); }, {});
}

void ServiceClient::enterOutsideState(std::function<void(bool entered)> done)
{
    request(
        [this](UpdateService::IntReply reply) { m_service.setStateFromOutside(ServiceCode::outsideRequest, reply); },
        [done](std::optional<int> reply) { done(reply.has_value()); });
}

void ServiceClient::enableOnReboot(UpdateService::IntReply done)
{
    qCInfo(lcCore) << "Asking the update service to update on the next reboot";
    request([this](UpdateService::IntReply reply) { m_service.enableOnReboot(reply); }, std::move(done));
}

void ServiceClient::disableOnReboot(UpdateService::IntReply done)
{
    qCInfo(lcCore) << "Asking the update service not to update on the next reboot";
    request([this](UpdateService::IntReply reply) { m_service.disableOnReboot(reply); }, std::move(done));
}
