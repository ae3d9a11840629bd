#include "ServiceConnection.h"

#include "Logging.h"
#include "ServicePresence.h"
#include "UpdateService.h"

#include <QPointer>

namespace {
constexpr int retryIntervalMs = 30000;
}

ServiceConnection::ServiceConnection(UpdateService& service, ServicePresence& presence, Clock& clock, QObject* parent)
    : QObject(parent), m_service(service), m_presence(presence), m_retryTimer(clock, retryIntervalMs, false, this)
{
    connect(&m_retryTimer, &Timer::timeout, this, &ServiceConnection::retryDue);
}

// `missing` is null when the service is there. An answer that comes after the connection is gone is dropped.
void ServiceConnection::checkPresent(std::function<void(const char* missing)> done)
{
    const QPointer<ServiceConnection> self(this);
    m_service.checkReachable([this, self, done](bool owned) {
        if (!self) {
            return;
        }
        if (!owned) {
            done("its name has no owner on the system bus");
            return;
        }
        m_presence.checkActive([self, done](bool active) {
            if (self) {
                done(active ? nullptr : "its process is not running");
            }
        });
    });
}

void ServiceConnection::lose(const char* missing)
{
    m_connected = false;
    if (m_presenceSeen != Presence::Unreachable) {
        qCWarning(lcCore) << "The update service cannot be reached:" << missing;
        m_presenceSeen = Presence::Unreachable;
    }
    Q_EMIT unreachable();
    m_retryTimer.start();
}

void ServiceConnection::attempt(bool first, std::function<void()> done)
{
    m_connected = false;
    Q_EMIT connecting();
    checkPresent([this, first, done](const char* missing) {
        if (missing) {
            lose(missing);
            done();
            return;
        }
        if (m_presenceSeen == Presence::Unreachable) {
            qCWarning(lcCore) << "The update service is reached again";
        } else {
            qCInfo(lcCore) << "Connected to the update service";
        }
        m_presenceSeen = Presence::Reached;
        m_connected = true;
        m_retryTimer.stop();
        Q_EMIT connected(first);
        done();
    });
}

void ServiceConnection::checkAfterFailure(std::function<void(bool stillThere)> done)
{
    checkPresent([this, done](const char* missing) {
        if (missing) {
            lose(missing);
        }
        done(!missing);
    });
}
