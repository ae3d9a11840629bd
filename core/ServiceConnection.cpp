// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "ServiceConnection.h"

#include "Logging.h"
#include "ServicePresence.h"
#include "UpdateService.h"

#include <QPointer>

namespace {
constexpr int retryIntervalMs = 30000;
const char noOwner[] = "its name has no owner on the system bus";
} // namespace

ServiceConnection::ServiceConnection(UpdateService& service, ServicePresence& presence, Clock& clock, QObject* parent)
    : QObject(parent), m_service(service), m_presence(presence), m_retryTimer(clock, retryIntervalMs, false, this)
{
    connect(&m_retryTimer, &Timer::timeout, this, &ServiceConnection::retryDue);
}

void ServiceConnection::watchOwner()
{
    m_service.watchOwner([self = QPointer<ServiceConnection>(this)](bool owned) {
        if (!self) {
            return;
        }
        if (owned) {
            Q_EMIT self->retryDue();
        } else {
            self->onOwnerLost();
        }
    });
}

// Told at once, as one outage with whatever finds it later. A check under way fails when it ends.
void ServiceConnection::onOwnerLost()
{
    ++m_ownerLosses;
    if (m_connected) {
        lose(noOwner);
    }
}

// `missing` is null when the service is there. An answer that comes after the connection is gone is dropped.
void ServiceConnection::checkPresent(std::function<void(const char* missing)> done)
{
    const QPointer<ServiceConnection> self(this);
    const int losses = m_ownerLosses;
    m_service.checkReachable([this, self, losses, done](bool owned) {
        if (!self) {
            return;
        }
        if (!owned) {
            done(noOwner);
            return;
        }
        m_presence.checkActive([this, self, losses, done](bool active) {
            if (self) {
                done(m_ownerLosses != losses ? noOwner : active ? nullptr : "its process is not running");
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
        if (missing && m_connected) { // else the bus told the loss already
            lose(missing);
        }
        done(!missing);
    });
}
