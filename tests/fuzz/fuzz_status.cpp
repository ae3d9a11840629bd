// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

// The `--status` report of any versions and dates.
#include "FuzzApp.h"
#include "StatusReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <fuzzer/FuzzedDataProvider.h>

namespace {
// Any bytes, read as the version file and D-Bus strings are: UTF-8.
QString text(FuzzedDataProvider& in)
{
    return QString::fromStdString(in.ConsumeRandomLengthString(64));
}

QDateTime date(FuzzedDataProvider& in)
{
    return in.ConsumeBool() ? QDateTime() : QDateTime::fromMSecsSinceEpoch(in.ConsumeIntegral<qint64>());
}

// A text value as written: its escapes are JSON's, so JSON reads it back.
QString unescaped(QString value)
{
    const QByteArray quoted = "[\"" + value.replace(QLatin1Char('"'), QLatin1String("\\\"")).toUtf8() + "\"]";
    return QJsonDocument::fromJson(quoted).array().at(0).toString();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const StatusReport report {State(in.ConsumeIntegralInRange(0, 7)), text(in), text(in), date(in), in.ConsumeBool(),
        date(in), in.ConsumeBool(), date(in), in.ConsumeBool(), date(in)};
    QJsonParseError error;
    const QJsonObject json = QJsonDocument::fromJson(report.json().toUtf8(), &error).object();
    FUZZ_CHECK(error.error == QJsonParseError::NoError);
    FUZZ_CHECK(json.value(QLatin1String("installed_version")).toString() == report.installedVersion);
    FUZZ_CHECK(json.value(QLatin1String("offered_version")).toString() == report.offeredVersion);
    // One line per key, each as the JSON has it.
    QStringList lines = report.text().split(QLatin1Char('\n'));
    FUZZ_CHECK(lines.takeLast().isEmpty() && lines.size() == json.size());
    for (const QString& line : qAsConst(lines)) {
        const QString key = line.section(QLatin1String(": "), 0, 0);
        const QJsonValue value = json.value(key);
        const QString plain = unescaped(line.mid(key.size() + 2));
        FUZZ_CHECK(value.isBool() ? plain == QLatin1String(value.toBool() ? "yes" : "no") : plain == value.toString());
    }
    return 0;
}
