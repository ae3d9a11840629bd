// The popups as a notification server sees them: refreshed in place, replaced on a new event, never two
// of a kind on screen even when changes come in a burst, held during do-not-disturb, and the user's clicks
// reaching the notifier.
#include "../fakes/Fakes.h"
#include "DbusDoNotDisturb.h"
#include "KNotificationPopups.h"
#include "NotificationRecorder.h"
#include "NotifierCore.h"
#include "TestMain.h"

#include <QSettings>

namespace {
using Kind = Popups::Kind;

Popups::Popup popup(const QString& eventId, const QString& text, bool persistent = false)
{
    Popups::Popup shown;
    shown.eventId = eventId;
    shown.title = QStringLiteral("System update");
    shown.text = text;
    shown.urgency = persistent ? PopupContent::Critical : PopupContent::High;
    shown.persistent = persistent;
    return shown;
}
} // namespace

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

private Q_SLOTS:
    void initTestCase() { QVERIFY(recorder.start()); }
    void init() { QVERIFY(recorder.clear() && recorder.setInhibited(false)); }

    void stateRefreshedThenReplaced()
    {
        KNotificationPopups popups;
        popups.show(Kind::State, popup(QStringLiteral("updateset"), QStringLiteral("first")));
        QList<QJsonObject> notify = waitForCalls(QStringLiteral("Notify"), 1);
        QCOMPARE(notify.size(), 1);
        const QJsonObject set = notify.constFirst();
        QCOMPARE(set[QStringLiteral("summary")].toString(), QStringLiteral("System update"));
        QCOMPARE(set[QStringLiteral("hints")][QStringLiteral("urgency")].toInt(), 1);
        QCOMPARE(set[QStringLiteral("expire_timeout")].toInt(), -1);

        // The same event: the same popup, now critical and kept.
        popups.show(Kind::State, popup(QStringLiteral("updateset"), QStringLiteral("second"), true));
        notify = waitForCalls(QStringLiteral("Notify"), 2);
        QCOMPARE(notify.size(), 2);
        QCOMPARE(notify[1][QStringLiteral("replaces_id")], set[QStringLiteral("id")]);
        QCOMPARE(notify[1][QStringLiteral("hints")].toObject()[QStringLiteral("urgency")].toInt(), 2);
        QCOMPARE(notify[1][QStringLiteral("expire_timeout")].toInt(), 0);

        // Another event: closed, then a new popup.
        popups.show(Kind::State, popup(QStringLiteral("updateready"), QStringLiteral("third")));
        notify = waitForCalls(QStringLiteral("Notify"), 3);
        QCOMPARE(notify.size(), 3);
        QCOMPARE(waitForCalls(QStringLiteral("CloseNotification"), 1).value(0)[QStringLiteral("id")],
            set[QStringLiteral("id")]);
        QCOMPARE(notify[2][QStringLiteral("replaces_id")].toInt(), 0);
        QCOMPARE(recorder.open().size(), 1);
    }

    // An outage and a return in a few milliseconds: the kinds stay apart, and within each kind only the
    // latest popup is left on screen.
    void burstLeavesOnePopupOfEachKind()
    {
        KNotificationPopups popups;
        const QStringList events {QStringLiteral("replyerror"), QStringLiteral("initerror"),
            QStringLiteral("replyerror"), QStringLiteral("initerror")};
        for (const QString& event : events) {
            popups.show(Kind::State, popup(event, event));
            popups.show(Kind::Error, popup(QStringLiteral("prepareerror"), event, true));
        }
        QTRY_VERIFY_WITH_TIMEOUT(!recorder.calls(QStringLiteral("Notify")).isEmpty(), 5000);
        QTest::qWait(600); // what was held back is applied once the popups have settled
        const QList<qint64> open = recorder.open();
        QCOMPARE(open.size(), 2);
        QStringList bodies;
        for (const QJsonObject& call : recorder.calls(QStringLiteral("Notify"))) {
            if (open.contains(call[QStringLiteral("id")].toVariant().toLongLong())) {
                bodies << call[QStringLiteral("body")].toString();
            }
        }
        QCOMPARE(
            bodies.mid(bodies.size() - 2), (QStringList {QStringLiteral("initerror"), QStringLiteral("initerror")}));
        popups.close(Kind::State);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.open().size(), 1, 5000);
    }

    // During the server's do-not-disturb no popup reaches it; when that ends, the one due comes, and its
    // buttons reach the notifier: "Update on reboot" asks the service.
    void heldPopupComesAfterAndTakesClicks()
    {
        QSettings(QStringLiteral("TarnoLinux"), QStringLiteral("zib-update-notifier")).clear();
        FakeClock clock;
        FakeUpdateService service;
        FakePresence presence;
        FakePackages packages;
        FakeDesktop desktop;
        KNotificationPopups popups;
        DbusDoNotDisturb doNotDisturb;
        QVERIFY(recorder.setInhibited(true));
        QTRY_VERIFY_WITH_TIMEOUT(doNotDisturb.isOn(), 5000);
        service.values[QStringLiteral("getCurrentStateAsInt")] = 5;
        NotifierCore core(false, {clock, service, presence, packages, desktop, popups, doNotDisturb}, nullptr);
        QCoreApplication::processEvents(); // the core connects after its first turn of the event loop
        clock.advance(3);
        service.values[QStringLiteral("getCurrentStateAsInt")] = 4;
        clock.advance(30);
        QTest::qWait(600); // time enough for a popup to reach the server
        QVERIFY(recorder.calls(QStringLiteral("Notify")).isEmpty());
        QVERIFY(recorder.setInhibited(false));
        const QList<QJsonObject> notify = waitForCalls(QStringLiteral("Notify"), 1);
        QCOMPARE(notify.size(), 1);
        QCOMPARE(notify.value(0)[QStringLiteral("body")].toString(), QStringLiteral("New system update is available"));
        QCOMPARE(notify.value(0)[QStringLiteral("actions")].toArray().size(), 6); // default, update, postpone
        const qint64 id = notify.value(0)[QStringLiteral("id")].toVariant().toLongLong();
        QTest::qWait(300); // the popup knows its id once the server's answer has come
        QVERIFY(recorder.invokeAction(id, QStringLiteral("1")));
        QTRY_VERIFY_WITH_TIMEOUT(service.calls.contains(QStringLiteral("enableUpgradeOnReboot")), 5000);
    }
};

ZIB_TEST_MAIN(NotificationsTest)
#include "tst_notifications.moc"
