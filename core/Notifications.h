#pragma once

#include "Presentation.h"

#include <QObject>
#include <QPointer>

class KNotification;

// The "System update" popups: at most one for the state, refreshed in place while its event stays the
// same, and one for errors, told once while the same error lasts.
class Notifications : public QObject
{
    Q_OBJECT
public:
    explicit Notifications(QObject* parent);
    ~Notifications() override;

    void showState(int state, const NotificationContent& content);
    void close();
    // A type below 1, or the type told last, is not shown again.
    void showError(int type, const QString& detail);
    // The service's error code after a poll; once it reported none, the next error is told again.
    void showServiceError(int code, bool answered);
    // The user asked for a reboot and it did not happen; told every time.
    void showRebootFailed();

    // The state popup on screen carries the update actions.
    bool actionsOffered() const { return m_actionsOffered; }
    QString stateEventId() const;
    // The text of the error popup on screen, if any.
    QString errorText() const;

Q_SIGNALS:
    void updateOnRebootChosen();
    void showMoreChosen();

private:
    void raiseError(const QString& text);

    QPointer<KNotification> m_notification;
    QPointer<KNotification> m_errorNotification;
    int m_lastErrorType = 0;
    bool m_actionsOffered = false;
};
