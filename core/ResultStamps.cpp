// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "ResultStamps.h"

#include "Desktop.h"
#include "SysRoot.h"
#include "SystemFile.h"

#include <QFile>
#include <QPointer>

namespace {
const QString updateSuccessStamp = QStringLiteral("/var/cache/tarno-update-service/successful");
const QString updateFailureStamp = QStringLiteral("/var/cache/tarno-update-service/unsuccessful");
const QString upgradeAbortedStamp = QStringLiteral("/var/cache/tarno-upgrade/upgrade_aborted");
const QString upgradeSuccessStamp = QStringLiteral("/var/cache/tarno-upgrade/successful");

bool exists(const QString& stamp)
{
    return QFile::exists(SysRoot::path(stamp));
}

// Only the first byte of the failure stamp counts, read as a decimal digit.
int reasonCode()
{
    const std::optional<QByteArray> head =
        SystemFile::read(SysRoot::path(updateFailureStamp), 1, SystemFile::Oversize::Head);
    if (!head) {
        return -1;
    }
    bool ok = false;
    const int code = QString::fromLatin1(*head).toInt(&ok, 10);
    return ok ? code : -1;
}

void tellFrom(Desktop& desktop, QList<ResultStamps::Message> messages, const QPointer<QObject>& owner,
    const std::function<void(ResultStamp kind)>& remove)
{
    if (messages.isEmpty()) {
        return;
    }
    const ResultStamps::Message message = messages.takeFirst();
    desktop.showMessage(
        message.warning, message.title, message.text, [&desktop, messages, owner, remove, kinds = message.kinds] {
            if (!owner) {
                return; // the program is ending: the stamps stay for the next start
            }
            for (const ResultStamp kind : kinds) {
                remove(kind);
            }
            tellFrom(desktop, messages, owner, remove);
        });
}
} // namespace

QList<ResultStamps::Message> ResultStamps::pending(const QString& version)
{
    const QString success = tr("Successfull upgrade");
    const QString upgraded = tr("The system was upgraded,\ncurrent version is %1").arg(version);
    const QString failure = tr("Unsuccessful update attempt");
    const QString errors = tr("The system wasn't upgraded due some errors,\nplease contact the system administrator");

    QList<Message> messages;
    if (exists(updateSuccessStamp)) {
        // Only the success is told, so a failure stamp beside it goes too: left, it would be told at the
        // next start, after an update that succeeded.
        messages.append({false, success, upgraded,
            exists(updateFailureStamp) ? QList<ResultStamp> {ResultStamp::UpdateSuccess, ResultStamp::UpdateFailure}
                                       : QList<ResultStamp> {ResultStamp::UpdateSuccess}});
    } else if (exists(updateFailureStamp)) {
        QString text = errors;
        switch (reasonCode()) {
        case 0:
            text = tr("The system update was cancelled before the start,\nplease contact the system administrator");
            break;
        case 1:
            text = tr("The system wasn't upgraded due\nsome errors during the update process,\nplease contact the "
                      "system administrator");
            break;
        }
        messages.append({true, failure, text, {ResultStamp::UpdateFailure}});
    }
    if (exists(upgradeAbortedStamp)) {
        messages.append({true, failure, errors, {ResultStamp::UpgradeAborted}});
    }
    if (exists(upgradeSuccessStamp)) {
        messages.append({false, success, upgraded, {ResultStamp::UpgradeSuccess}});
    }
    return messages;
}

void ResultStamps::tell(
    Desktop& desktop, const QString& version, QObject* owner, std::function<void(ResultStamp kind)> remove)
{
    tellFrom(desktop, pending(version), owner, remove);
}
