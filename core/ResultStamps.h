// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "ServiceAnswer.h"

#include <QCoreApplication>
#include <QList>
#include <QString>

#include <functional>

class Desktop;
class QObject;

// What the last reboot left behind: the stamps of the update service and of the upgrade tool, each
// told once in a message box, after which the service is asked to remove it.
class ResultStamps
{
    // The texts are the core's own, so they are translated in its context.
    Q_DECLARE_TR_FUNCTIONS(NotifierCore)
public:
    struct Message
    {
        bool warning = false;
        QString title;
        QString text;
        QList<ResultStamp> kinds; // the stamps removed once the box is closed, in order
    };

    // In the order they are told: at most one of the update service, then the upgrade tool's aborted
    // and successful stamps. `version` is the installed system version quoted by the success text.
    static QList<Message> pending(const QString& version);
    // Tells the pending messages one box after another. When a box is closed, `remove` gets its kinds
    // and the next box opens; once `owner` is gone, nothing more happens.
    static void tell(
        Desktop& desktop, const QString& version, QObject* owner, std::function<void(ResultStamp kind)> remove);
};
