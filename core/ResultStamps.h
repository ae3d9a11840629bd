#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>

#include <functional>

class Desktop;

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
        int kind = 0; // the argument of removeUpgradeResultStamp
    };

    // In the order they are told: at most one of the update service, then the upgrade tool's aborted
    // and successful stamps. `version` is the installed system version quoted by the success text.
    static QList<Message> pending(const QString& version);
    // Tells each pending message in a modal box; once a box is closed, `remove` gets the stamp's kind.
    static void tell(Desktop& desktop, const QString& version, const std::function<void(int kind)>& remove);
};
