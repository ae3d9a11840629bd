// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "StatusReport.h"

#include "StateView.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QPair>

namespace {
QString shown(const QDateTime& date)
{
    return date.isValid() ? date.toString(Qt::ISODate) : QStringLiteral("none");
}

// A value in the text form stays on its line whatever it holds, and reads back exactly: a backslash
// becomes "\\", line feed, carriage return and tab "\n", "\r" and "\t", and every other control character
// or Unicode line break "\uXXXX" (four hex digits, as in JSON). Nothing else changes, quotes included.
// The JSON form needs none of this: the JSON writer escapes.
QString escaped(const QString& value)
{
    QString text;
    text.reserve(value.size());
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\\':
            text += QLatin1String("\\\\");
            break;
        case '\n':
            text += QLatin1String("\\n");
            break;
        case '\r':
            text += QLatin1String("\\r");
            break;
        case '\t':
            text += QLatin1String("\\t");
            break;
        default:
            const bool control =
                c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
            text += control ? QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0')) : QString(c);
        }
    }
    return text;
}

QString yesNo(bool value)
{
    return value ? QStringLiteral("yes") : QStringLiteral("no");
}

// One list for both forms, so the lines and the JSON keys never drift apart. Untranslated: it is read
// by people and scripts of the helpdesk alike.
QList<QPair<QString, QJsonValue>> fields(const StatusReport& report)
{
    const bool onReboot = report.state == State::UpdateSet || report.state == State::UpgradeSet;
    return {
        {QStringLiteral("state"), QString::fromLatin1(stateName(report.state))},
        {QStringLiteral("tooltip"), StateViews::trayLook(report.state).toolTip},
        {QStringLiteral("installed_version"), report.installedVersion},
        {QStringLiteral("offered_version"), report.offeredVersion},
        {QStringLiteral("due"), shown(report.due)},
        {QStringLiteral("forced"), report.forced},
        {QStringLiteral("update_on_reboot"), onReboot},
        {QStringLiteral("next_reminder"), shown(report.nextReminder)},
        {QStringLiteral("postponed"), report.postponed},
        {QStringLiteral("postponed_until"),
            report.postponed && !report.postponedUntil.isValid() ? QStringLiteral("reset")
                                                                 : shown(report.postponedUntil)},
        {QStringLiteral("service_reached"), report.serviceReached},
        {QStringLiteral("since"), shown(report.reachedSince)},
        {QStringLiteral("popups_held"), report.popupsHeld},
    };
}
} // namespace

QString StatusReport::text() const
{
    QString lines;
    for (const auto& field : fields(*this)) {
        const QString value = field.second.isBool() ? yesNo(field.second.toBool()) : escaped(field.second.toString());
        lines += field.first + QLatin1String(": ") + value + QLatin1Char('\n');
    }
    return lines;
}

QString StatusReport::json() const
{
    QJsonObject object;
    for (const auto& field : fields(*this)) {
        object.insert(field.first, field.second);
    }
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented));
}
