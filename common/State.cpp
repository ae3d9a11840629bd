#include "State.h"

bool isKnownState(int state)
{
    return state >= UpdateUnavailable && state <= UpgradeSet;
}

QString stateEventId(int state)
{
    switch (state) {
    case UpdateUnavailable:
        return QStringLiteral("updateunavailable");
    case UpdateReady:
        return QStringLiteral("updateready");
    case UpdateSet:
        return QStringLiteral("updateset");
    case InitError:
        return QStringLiteral("initerror");
    case ReplyError:
        return QStringLiteral("replyerror");
    case Disabled:
        return QStringLiteral("disabled");
    case UpgradeReady:
        return QStringLiteral("upgradeready");
    case UpgradeSet:
        return QStringLiteral("upgradeset");
    }
    return QString();
}
