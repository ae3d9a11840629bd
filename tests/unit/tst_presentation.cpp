// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

// What each state shows, one row per rule: the tray, the menu's state entry, the popup, the information
// window, and the status report.
#include "StateView.h"
#include "StatusReport.h"
#include "UnitMain.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {
const QDateTime now(QDate(2026, 12, 7), QTime(10, 0));
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
        QTest::newRow("upgrade ready") << 6 << "updates-available"
                                       << "New system update is available" << int(TrayLook::ShownUnlessDeferred);
        QTest::newRow("set") << 2 << "updates-after-reboot" << willUpdate << int(TrayLook::ShownUnlessDeferred);
        QTest::newRow("reply error") << 4 << "updates-service-error"
                                     << "Unable to connect to the service tarno-update-service" << int(TrayLook::Shown);
        QTest::newRow("disabled") << 5 << "updates-service-disabled"
                                  << "The service tarno-update-service is disabled" << int(TrayLook::Shown);
    }
    void tray()
    {
        QFETCH(int, state);
        const TrayLook look = StateViews::viewOf(State(state), {}, now).tray;
        QTEST(look.iconName, "icon");
        QCOMPARE(look.fallback, QStringLiteral(":/icons/%1.svg").arg(look.iconName));
        QTEST(look.toolTip, "toolTip");
        QTEST(int(look.visibility), "visibility");
    }

    // The due-date rules, for the menu's entry (1 on, 0 off, -1 as it was), the popup and the window.
    void dueDateRules_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QDateTime>("due");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<int>("entry");
        QTest::addColumn<int>("urgency");
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("fullText");
        const QDateTime later = now.addSecs(60);
        const QString ahead = QStringLiteral("The forced update date is 10:01 07.12.2026");
        QTest::newRow("set, date ahead") << 2 << later << false << 1 << int(PopupContent::High)
                                         << int(InfoView::Disable) << ahead;
        QTest::newRow("set, no date") << 2 << QDateTime() << false << 1 << int(PopupContent::Critical)
                                      << int(InfoView::Disable) << "";
        QTest::newRow("set, due now")
            << 2 << now << false << 0 << int(PopupContent::Critical) << int(InfoView::NoButton)
            << "You can't postpone the update. \nThe forced update date was: 10:00 07.12.2026";
        QTest::newRow("set, refused") << 2 << later << true << -1 << int(PopupContent::Critical)
                                      << int(InfoView::Disable) << ahead;
        QTest::newRow("upgrade set, forced")
            << 7 << later << true << 0 << int(PopupContent::Critical) << int(InfoView::NoButton) << ahead;
        QTest::newRow("ready with a date")
            << 1 << later << false << 1 << int(PopupContent::High) << int(InfoView::Enable) << ahead;
    }
    void dueDateRules()
    {
        QFETCH(int, state);
        QFETCH(QDateTime, due);
        QFETCH(bool, refused);
        StateFacts facts;
        facts.due = due;
        facts.postponeRefused = refused;
        const StateView view = StateViews::viewOf(State(state), facts, now);
        QTEST(view.entry.enabled ? int(*view.entry.enabled) : -1, "entry");
        QTEST(int(view.popup.urgency), "urgency");
        QCOMPARE(view.popup.persistent, view.popup.urgency == PopupContent::Critical || state == 1);
        QTEST(int(view.info.button), "button");
        QTEST(view.info.fullText, "fullText");
    }

    void popupActions()
    {
        const PopupContent offered = StateViews::viewOf(State::UpgradeReady, {}, now).popup;
        QCOMPARE(offered.actions, (QStringList {QStringLiteral("Update on reboot"), QStringLiteral("To postpone")}));
        QVERIFY(StateViews::viewOf(State::UpdateSet, {}, now).popup.actions.isEmpty());
    }

    // What the helpdesk reads: the same facts as lines and as JSON, for every state, whatever the versions
    // from the files and the service hold.
    void statusReport()
    {
        const QString version = QStringLiteral("\"3.1\"\r\n19 C:\\new\t\x01\x7f\x1b[31m\u2028\u0085äö");
        const QString shown = QStringLiteral("\"3.1\"\\r\\n19 C:\\\\new\\t\\u0001\\u007f\\u001b[31m\\u2028\\u0085äö");
        const char* const names[] = {"UpdateUnavailable", "UpdateReady", "UpdateSet", "InitError", "ReplyError",
            "Disabled", "UpgradeReady", "UpgradeSet"};
        for (int state = 0; state < 8; ++state) {
            StatusReport report;
            report.state = State(state);
            report.installedVersion = version;
            report.offeredVersion = version;
            report.due = now.addDays(2);
            report.postponed = state != 3; // with no start known: until reset
            report.serviceReached = true;
            report.reachedSince = now;
            // Split wherever any reader may see a line end.
            const QStringList lines =
                report.text().split(QRegularExpression(QStringLiteral("\\R")), Qt::SkipEmptyParts);
            const QJsonObject json = QJsonDocument::fromJson(report.json().toUtf8()).object();
            QCOMPARE(lines.size(), json.size());
            QCOMPARE(lines.value(0), QLatin1String("state: ") + QLatin1String(names[state]));
            QCOMPARE(lines.value(1), QStringLiteral("tooltip: ") + StateViews::trayLook(State(state)).toolTip);
            QCOMPARE(lines.value(2), QStringLiteral("installed_version: ") + shown);
            QCOMPARE(lines.value(3), QStringLiteral("offered_version: ") + shown);
            QVERIFY(lines.contains(
                QStringLiteral("update_on_reboot: ") + QLatin1String(state == 2 || state == 7 ? "yes" : "no")));
            QCOMPARE(lines.contains(QStringLiteral("postponed_until: reset")), state != 3);
            QVERIFY(lines.contains(QStringLiteral("since: 2026-12-07T10:00:00")));
            QCOMPARE(json[QLatin1String("state")].toString(), QLatin1String(names[state]));
            QCOMPARE(json[QLatin1String("offered_version")].toString(), version);
            QCOMPARE(json[QLatin1String("service_reached")].toBool(), true);
            QCOMPARE(json[QLatin1String("due")].toString(), QStringLiteral("2026-12-09T10:00:00"));
        }
    }
};

ZIB_UNIT_MAIN(PresentationTest)
#include "tst_presentation.moc"
