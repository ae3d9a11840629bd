#pragma once

#include "UpdateService.h"

#include <QDBusConnection>
#include <QObject>

class QDBusMessage;

// The update service over the system bus. Calls are plain messages on the connection: no interface
// object is built, because building one introspects and blocks.
class DbusUpdateService : public QObject, public UpdateService
{
    Q_OBJECT
public:
    explicit DbusUpdateService(QObject* parent = nullptr);

    void checkReachable(std::function<void(bool)> done) override;
    void currentState(IntReply done) override;
    void currentError(IntReply done) override;
    void updateDate(TextReply done) override;
    void updateVersion(TextReply done) override;
    void enableOnReboot(IntReply done) override;
    void disableOnReboot(IntReply done) override;
    void removeResultStamp(int kind, IntReply done) override;
    void setStateFromOutside(int state, IntReply done) override;

private:
    template<typename T>
    void send(const QDBusMessage& message, std::function<void(std::optional<T>)> done);
    void callInt(const QString& method, const QVariantList& arguments, IntReply done);
    void callText(const QString& method, TextReply done);

    QDBusConnection m_bus;
};
