// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

// The popups as a notification server sees them: refreshed in place, replaced on a new event, never two
// of a kind on screen even when changes come in a burst, held during do-not-disturb, and the user's clicks
// reaching the notifier.
#include "../fakes/Fakes.h"
#include "DbusDoNotDisturb.h"
#include "KNotificationPopups.h"
#include "NotificationRecorder.h"
#include "NotifierCore.h"
#include "TestMain.h"

#include <QMap>
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

    // The calls of one kind once there are `count` of them (fewer after 10 s).
    QList<QJsonObject> waitForCalls(const QString& call, int count)
    {
        QList<QJsonObject> found;
        (void)QTest::qWaitFor([&] { return (found = recorder.calls(call)).size() >= count; }, 10000);
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
        // What was held back is applied once the popups have settled: the latest of each kind is left.
        const auto onScreen = [this] {
            const QList<qint64> open = recorder.open();
            QMap<qint64, QString> latest; // a refreshed popup keeps its id
            for (const QJsonObject& call : recorder.calls(QStringLiteral("Notify"))) {
                const qint64 id = call[QStringLiteral("id")].toVariant().toLongLong();
                if (open.contains(id)) {
                    latest[id] = call[QStringLiteral("body")].toString();
                }
            }
            return latest.values();
        };
        QTRY_COMPARE_WITH_TIMEOUT(
            onScreen(), (QStringList {QStringLiteral("initerror"), QStringLiteral("initerror")}), 10000);
        popups.close(Kind::State);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.open().size(), 1, 10000);
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
        QTRY_VERIFY_WITH_TIMEOUT(doNotDisturb.isOn(), 10000);
        service.values[QStringLiteral("getCurrentStateAsInt")] = 5;
        NotifierCore core(false, {clock, service, presence, packages, desktop, popups, doNotDisturb}, nullptr);
        QCoreApplication::processEvents(); // the core connects after its first turn of the event loop
        clock.advance(3);
        service.values[QStringLiteral("getCurrentStateAsInt")] = 4;
        clock.advance(30);
        QVERIFY(recorder.setInhibited(false)); // a popup sent meanwhile would have reached the server first
        const QList<QJsonObject> notify = waitForCalls(QStringLiteral("Notify"), 1);
        QCOMPARE(notify.size(), 1);
        QCOMPARE(notify.value(0)[QStringLiteral("body")].toString(), QStringLiteral("New system update is available"));
        QCOMPARE(notify.value(0)[QStringLiteral("actions")].toArray().size(), 6); // default, update, postpone
        const qint64 id = notify.value(0)[QStringLiteral("id")].toVariant().toLongLong();
        // Clicked until the popup knows its id, which comes with the server's answer.
        const auto clicked = [&] {
            const bool asked = service.calls.contains(QStringLiteral("enableUpgradeOnReboot"));
            return asked || (recorder.invokeAction(id, QStringLiteral("1")) && false);
        };
        QTRY_VERIFY_WITH_TIMEOUT(clicked(), 10000);
    }
};

ZIB_TEST_MAIN(NotificationsTest)
#include "tst_notifications.moc"
