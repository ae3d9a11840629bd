#include "NotifierCore.h"

#include "Constants.h"
#include "SystemdService.h"

#include <QAction>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusPendingReply>
#include <QTimer>

template<typename T>
std::optional<T> NotifierCore::callService(const QString& method, const QVariantList& arguments)
{
    if (!m_serviceConnected) {
        return std::nullopt;
    }
    return invokeService<T>(method, arguments);
}

// One blocking call. A failed call, including a reply of the wrong type, shows as ReplyError.
template<typename T>
std::optional<T> NotifierCore::invokeService(const QString& method, const QVariantList& arguments)
{
    if (!m_service) {
        return std::nullopt;
    }
    QDBusPendingReply<T> reply = m_service->asyncCallWithArgumentList(method, arguments);
    reply.waitForFinished();
    if (reply.isError()) {
        updateStatus(ReplyError);
        return std::nullopt;
    }
    return reply.template argumentAt<0>();
}

template std::optional<int> NotifierCore::callService<int>(const QString&, const QVariantList&);
template std::optional<QString> NotifierCore::callService<QString>(const QString&, const QVariantList&);

void NotifierCore::connectToService()
{
    m_serviceConnected = false;
    if (m_statusTimer) {
        m_statusTimer->stop();
    }
    if (m_upgradeFilesTimer) {
        m_upgradeFilesTimer->stop();
    }

    if (!ZibAdmin::SystemdService(updateServiceExecutable).isActive()) {
        updateStatus(InitError);
        return;
    }
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        updateStatus(InitError);
        return;
    }
    if (!bus.interface()->isServiceRegistered(serviceName).value()) {
        updateStatus(InitError);
        return;
    }
    auto* service = new QDBusInterface(serviceName, serviceObjectPath, serviceName, bus, this);
    if (!service->isValid()) {
        delete service;
        updateStatus(InitError);
        return;
    }

    // A poll further up the stack may still hold the old interface's reply; let it go later.
    if (m_service) {
        m_service->deleteLater();
    }
    m_service = service;
    m_serviceConnected = true;
    updateStatus(UpdateUnavailable);
    if (m_statusTimer) {
        m_statusTimer->start();
    }
    if (m_upgradeFilesTimer) {
        m_upgradeFilesTimer->start();
    }
}

void NotifierCore::pollStatus()
{
    m_currentVersion = readCurrentVersion();
    if (!m_serviceConnected) {
        return;
    }
    fetchServiceError();

    // Made even if the reconnection caused by a failed error query did not succeed.
    const std::optional<int> answer = invokeService<int>(QStringLiteral("getCurrentStateAsInt"));
    if (!answer) {
        return;
    }
    const int state = *answer;
    if (state != -2) {
        m_upgradeMode = false;
    }

    switch (state) {
    case -2:
        m_upgradeMode = true;
        break;
    case -1:
        m_updateDate = QDateTime();
        updateStatus(ReplyError);
        updateRemindMenu();
        break;
    case 0:
    case 1:
    case 2:
    case 3:
        m_updateDate = QDateTime();
        updateStatus(UpdateUnavailable);
        updateRemindMenu();
        break;
    case 4:
    case 5:
    case 6: {
        const bool dateChanged = fetchUpdateDate();
        m_inProgress = false;
        fetchUpdateVersion();
        const int before = m_state;
        updateStatus(state == 4 ? UpdateReady : UpdateSet);
        // The submenu is only usable while an update is pending: an update without a date must not
        // wait for the half-hourly refresh to become postponable.
        if (dateChanged || m_state != before) {
            updateRemindMenu();
        }
        break;
    }
    default:
        break;
    }
}

void NotifierCore::fetchServiceError()
{
    if (const std::optional<int> error = callService<int>(QStringLiteral("getCurrentErrorAsInt"))) {
        if (*error > 0) {
            m_serviceReply = *error;
        } else {
            m_serviceReply = 0;
            m_lastErrorType = -1;
        }
    }
    showErrorNotification(m_serviceReply, QString());
}

bool NotifierCore::fetchUpdateDate()
{
    const std::optional<QString> text = callService<QString>(QStringLiteral("getUpdateDateAsString"));
    if (!text) {
        return false;
    }
    const QDateTime date = QDateTime::fromString(*text, dateTimeFormat);
    if (date == m_updateDate) {
        return false;
    }
    m_updateDate = date;
    return true;
}

void NotifierCore::fetchUpdateVersion()
{
    if (const std::optional<QString> version = callService<QString>(QStringLiteral("getMinorUpdateVersion"))) {
        m_updateVersion = *version;
    }
}

void NotifierCore::removeResultStamp(int kind)
{
    callService<int>(QStringLiteral("removeUpgradeResultStamp"), {kind});
}

void NotifierCore::enterOutsideState()
{
    if (callService<int>(QStringLiteral("setStateFromOutside"), {3})) {
        m_upgradeMode = true;
        m_stateAction->setEnabled(false);
    }
}
