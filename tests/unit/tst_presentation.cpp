// What each state shows: tray picture and tooltip, the menu's state entry, the notification, the status report.
#include "Presentation.h"
#include "StatusReport.h"
#include "UnitMain.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {
const QDateTime now(QDate(2026, 12, 7), QTime(10, 0));
const QString unreachable = QStringLiteral("Unable to connect to the service tarno-update-service");
const QString willUpdate = QStringLiteral("The system will be updated on the next reboot");
} // namespace

class PresentationTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tray_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("icon");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<int>("visibility");
        QTest::newRow("none") << 0 << "updates-unavailable"
                              << "No available updates detected" << int(TrayLook::Unchanged);
        QTest::newRow("ready") << 1 << "updates-available"
                               << "New system update is available" << int(TrayLook::ShownUnlessDeferred);
        QTest::newRow("set") << 2 << "updates-after-reboot" << willUpdate << int(TrayLook::ShownUnlessDeferred);
        QTest::newRow("init error") << 3 << "updates-service-error" << unreachable << int(TrayLook::Shown);
        QTest::newRow("reply error") << 4 << "updates-service-error" << unreachable << int(TrayLook::Shown);
        QTest::newRow("disabled") << 5 << "updates-service-disabled"
                                  << "The service tarno-update-service is disabled" << int(TrayLook::Shown);
        QTest::newRow("upgrade ready") << 6 << "updates-available"
                                       << "New system update is available" << int(TrayLook::ShownUnlessDeferred);
        QTest::newRow("upgrade set") << 7 << "updates-after-reboot" << willUpdate << int(TrayLook::ShownUnlessDeferred);
    }
    void tray()
    {
        QFETCH(int, state);
        const TrayLook look = Presentation::trayLookFor(state);
        QTEST(look.iconName, "icon");
        QCOMPARE(look.fallback, QStringLiteral(":/icons/%1.svg").arg(look.iconName));
        QTEST(look.toolTip, "toolTip");
        QTEST(int(look.visibility), "visibility");
    }

    // enabled: 1 on, 0 off, -1 unchanged; text empty: unchanged.
    void stateEntry_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("dueInSecs"); // 0: no date
        QTest::addColumn<bool>("refused");
        QTest::addColumn<bool>("enabledNow");
        QTest::addColumn<int>("enabled");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("toolTip");
        const QString postpone = QStringLiteral("&Postpone the update");
        const QString wont = QStringLiteral("The system won't be updated on the next reboot");
        QTest::newRow("none") << 0 << 0 << false << true << 0 << "&No updates"
                              << "No updates available";
        QTest::newRow("ready") << 1 << 0 << false << false << 1 << "&Update on reboot" << willUpdate;
        QTest::newRow("set, date ahead") << 2 << 3600 << false << false << 1 << postpone << wont;
        QTest::newRow("set, date passed") << 2 << -60 << false << true << 0 << postpone << wont;
        QTest::newRow("set, locked keeps off") << 2 << 3600 << true << false << 0 << postpone << wont;
        QTest::newRow("set, locked keeps on") << 2 << 3600 << true << true << 1 << postpone << wont;
        QTest::newRow("init error") << 3 << 0 << false << true << 0 << ""
                                    << "Updating system is on error state";
        QTest::newRow("reply error") << 4 << 0 << false << true << -1 << ""
                                     << "";
        QTest::newRow("disabled") << 5 << 0 << false << true << 0 << ""
                                  << "Updating system is not active";
        QTest::newRow("upgrade ready") << 6 << 0 << false << false << 1 << "&Update on reboot" << willUpdate;
        QTest::newRow("upgrade set") << 7 << 3600 << false << false << 1 << postpone << wont;
        QTest::newRow("upgrade set, forced") << 7 << 3600 << true << true << 0 << postpone << wont;
        QTest::newRow("upgrade set, date passed") << 7 << -1 << false << true << 0 << postpone << wont;
    }
    void stateEntry()
    {
        QFETCH(int, state);
        QFETCH(int, dueInSecs);
        QFETCH(bool, refused);
        QFETCH(bool, enabledNow);
        const DueFacts facts {dueInSecs ? now.addSecs(dueInSecs) : QDateTime(), refused};
        const StateEntry entry = Presentation::stateEntryFor(state, facts, now, enabledNow);
        QTEST(entry.enabled ? int(*entry.enabled) : -1, "enabled");
        QTEST(entry.text.value_or(QString()), "text");
        QTEST(entry.toolTip.value_or(QString()), "toolTip");
    }

    void notification_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("dueInSecs");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("actions");
        QTest::addColumn<int>("urgency");
        QTest::addColumn<bool>("persistent");
        QTest::newRow("none") << 0 << 0 << false << "No available updates detected" << 0 << 10 << false;
        QTest::newRow("ready") << 1 << 0 << false << "New system update is available" << 2 << 70 << true;
        QTest::newRow("set, postponable") << 2 << 3600 << false << willUpdate << 0 << 70 << false;
        QTest::newRow("set, no date") << 2 << 0 << false << willUpdate << 0 << 90 << true;
        QTest::newRow("set, date come") << 2 << -1 << false << willUpdate << 0 << 90 << true;
        QTest::newRow("set, refused") << 2 << 3600 << true << willUpdate << 0 << 90 << true;
        QTest::newRow("init error") << 3 << 0 << false << unreachable << 0 << 90 << false;
        QTest::newRow("reply error") << 4 << 0 << false << "Some problems with the service reply, please wait" << 0
                                     << 70 << false;
        QTest::newRow("disabled") << 5 << 0 << false << "The service tarno-update-service is disabled" << 0 << 90
                                  << false;
        QTest::newRow("upgrade ready") << 6 << 0 << false << "New system update is available" << 2 << 70 << true;
        QTest::newRow("upgrade set, forced") << 7 << 3600 << true << willUpdate << 0 << 90 << true;
    }
    void notification()
    {
        QFETCH(int, state);
        QFETCH(int, dueInSecs);
        QFETCH(bool, refused);
        QFETCH(int, actions);
        QFETCH(bool, persistent);
        const NotificationContent content =
            Presentation::notificationFor(state, {dueInSecs ? now.addSecs(dueInSecs) : QDateTime(), refused}, now);
        QTEST(content.text, "text");
        QCOMPARE(content.actions.size(), actions);
        if (actions) {
            QCOMPARE(
                content.actions, (QStringList {QStringLiteral("Update on reboot"), QStringLiteral("To postpone")}));
        }
        QTEST(int(content.urgency), "urgency");
        QCOMPARE(content.flags, persistent ? KNotification::Persistent : KNotification::CloseOnTimeout);
    }

    // What the helpdesk reads: the same facts as lines and as JSON, for every state (the row's name) and
    // whatever the versions from the files and the service hold.
    void statusReport_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("shown"); // in the text form
        const char* const rows[][3] = {{"UpdateUnavailable", "3.1.18", "3.1.18"},
            {"UpdateReady", "3.1\n19", "3.1\\n19"}, {"UpdateSet", "C:\\new", "C:\\\\new"},
            {"InitError", "\"3.1\"\r\n", "\"3.1\"\\r\\n"}, {"ReplyError", "a\tb\x01\x7f", "a\\tb\\u0001\\u007f"},
            {"Disabled", "x\u2028y\u0085", "x\\u2028y\\u0085"}, {"UpgradeReady", "äö", "äö"}, {"UpgradeSet", "", ""},
            {"Unknown", "\x1b[31m", "\\u001b[31m"}};
        for (int state = 0; state < 9; ++state) {
            QTest::newRow(rows[state][0])
                << state << QString::fromUtf8(rows[state][1]) << QString::fromUtf8(rows[state][2]);
        }
    }
    void statusReport()
    {
        QFETCH(int, state);
        QFETCH(QString, version);
        QFETCH(QString, shown);
        StatusReport report;
        report.state = state;
        report.installedVersion = version;
        report.offeredVersion = version;
        report.due = now.addDays(2);
        report.postponed = true; // with no start known: until reset
        report.serviceReached = true;
        report.reachedSince = now;
        // Split wherever any reader may see a line end.
        const QStringList lines = report.text().split(QRegularExpression(QStringLiteral("\\R")), Qt::SkipEmptyParts);
        const QJsonObject json = QJsonDocument::fromJson(report.json().toUtf8()).object();
        QCOMPARE(lines.size(), json.size());
        QCOMPARE(lines.value(0), QLatin1String("state: ") + QLatin1String(QTest::currentDataTag()));
        QCOMPARE(lines.value(1), QStringLiteral("tooltip: ") + Presentation::trayLookFor(state).toolTip);
        QCOMPARE(lines.value(2), QStringLiteral("installed_version: ") + shown);
        QCOMPARE(lines.value(3), QStringLiteral("offered_version: ") + shown);
        QVERIFY(lines.contains(QStringLiteral("update_on_reboot: ") +
            QLatin1String(state == UpdateSet || state == UpgradeSet ? "yes" : "no")));
        QVERIFY(lines.contains(QStringLiteral("postponed_until: reset")));
        QVERIFY(lines.contains(QStringLiteral("since: 2026-12-07T10:00:00")));
        QCOMPARE(json[QLatin1String("state")].toString(), QLatin1String(QTest::currentDataTag()));
        QCOMPARE(json[QLatin1String("offered_version")].toString(), version);
        QCOMPARE(json[QLatin1String("service_reached")].toBool(), true);
        QCOMPARE(json[QLatin1String("due")].toString(), QStringLiteral("2026-12-09T10:00:00"));
    }
};

ZIB_UNIT_MAIN(PresentationTest)
#include "tst_presentation.moc"
