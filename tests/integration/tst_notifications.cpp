// The popups as a notification server sees them: refreshed in place, replaced on a new event, with
// the urgency and expiry each state asks for, and an error told once.
#include "NotificationRecorder.h"
#include "Notifications.h"
#include "Presentation.h"
#include "TestMain.h"

namespace {
const QDateTime now = QDateTime::currentDateTime();
}

class NotificationsTest : public QObject
{
    Q_OBJECT

    NotificationRecorder recorder;

    // The calls of one kind once there are `count` of them (fewer after 5 s).
    QList<QJsonObject> waitForCalls(const QString& call, int count)
    {
        QList<QJsonObject> found;
        (void)QTest::qWaitFor([&] { return (found = recorder.calls(call)).size() >= count; }, 5000);
        return found;
    }

    // A popup learns its server id from the Notify reply, which can take two rounds of posted events
    // after the server logged the call; a refresh or close before that would not reach the server.
    static void letPopupLearnItsId()
    {
        for (int round = 0; round < 3; ++round) {
            QCoreApplication::processEvents();
        }
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(recorder.start()); }
    void init() { QVERIFY(recorder.clear()); }

    void stateRefreshedThenReplaced()
    {
        Notifications popups(nullptr);
        popups.showState(2, Presentation::notificationFor(2, {now.addDays(2), false}, now));
        QList<QJsonObject> notify = waitForCalls(QStringLiteral("Notify"), 1);
        QCOMPARE(notify.size(), 1);
        const QJsonObject set = notify.constFirst();
        QCOMPARE(set[QStringLiteral("summary")].toString(), QStringLiteral("System update"));
        QCOMPARE(
            set[QStringLiteral("body")].toString(), QStringLiteral("The system will be updated on the next reboot"));
        QCOMPARE(set[QStringLiteral("hints")][QStringLiteral("urgency")].toInt(), 1);
        QCOMPARE(set[QStringLiteral("expire_timeout")].toInt(), -1);

        // A reminder of the same state once the date has come: the same popup, now critical and kept.
        letPopupLearnItsId();
        popups.showState(2, Presentation::notificationFor(2, {now.addDays(-1), false}, now));
        notify = waitForCalls(QStringLiteral("Notify"), 2);
        QCOMPARE(notify.size(), 2);
        QCOMPARE(notify[1][QStringLiteral("replaces_id")], set[QStringLiteral("id")]);
        QCOMPARE(notify[1][QStringLiteral("hints")].toObject()[QStringLiteral("urgency")].toInt(), 2);
        QCOMPARE(notify[1][QStringLiteral("expire_timeout")].toInt(), 0);

        // Another state: close, then a new popup with the update actions.
        letPopupLearnItsId();
        popups.showState(1, Presentation::notificationFor(1, {}, now));
        notify = waitForCalls(QStringLiteral("Notify"), 3);
        QCOMPARE(notify.size(), 3);
        QCOMPARE(waitForCalls(QStringLiteral("CloseNotification"), 1).value(0)[QStringLiteral("id")],
            set[QStringLiteral("id")]);
        QCOMPARE(notify[2][QStringLiteral("replaces_id")].toInt(), 0);
        QCOMPARE(notify[2][QStringLiteral("body")].toString(), QStringLiteral("New system update is available"));
        QCOMPARE(notify[2][QStringLiteral("actions")].toArray().size(), 6); // default, update, postpone
        QVERIFY(popups.actionsOffered());
    }

    void errorToldOncePerLastingError()
    {
        Notifications popups(nullptr);
        popups.showServiceError(2, true);
        popups.showServiceError(2, true);
        popups.showServiceError(2, false); // a failed query keeps the code
        popups.showError(3, QStringLiteral("denied")); // another kind is told
        popups.showError(3, QStringLiteral("denied"));
        QList<QJsonObject> notify = waitForCalls(QStringLiteral("Notify"), 1);
        QCOMPARE(
            notify.constFirst()[QStringLiteral("body")].toString(), QStringLiteral("There is an error before update"));
        QCOMPARE(notify.constFirst()[QStringLiteral("hints")][QStringLiteral("urgency")].toInt(), 2);
        popups.showServiceError(0, true); // the service reported none: the next error is news again
        popups.showServiceError(2, true);
        notify = waitForCalls(QStringLiteral("Notify"), 3);
        QCOMPARE(notify.size(), 3);
        QCOMPARE(notify[1][QStringLiteral("body")].toString(),
            QStringLiteral("Upgrade state not changed due D-Bus error:\ndenied"));
    }
};

ZIB_TEST_MAIN(NotificationsTest)
#include "tst_notifications.moc"
