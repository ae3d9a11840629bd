#include "Presentation.h"

#include "Constants.h"

namespace {
bool isDue(const DueFacts& facts, const QDateTime& now)
{
    return facts.due.isValid() && !(now < facts.due);
}
} // namespace

TrayLook Presentation::trayLookFor(int state)
{
    switch (state) {
    case UpdateUnavailable:
        return {iconUnavailable, iconUnavailableFallback, tr("No available updates detected"), TrayLook::Unchanged};
    case UpdateReady:
    case UpgradeReady:
        return {
            iconAvailable, iconAvailableFallback, tr("New system update is available"), TrayLook::ShownUnlessDeferred};
    case UpdateSet:
    case UpgradeSet:
        return {iconAfterReboot, iconAfterRebootFallback, tr("The system will be updated on the next reboot"),
            TrayLook::ShownUnlessDeferred};
    case InitError:
    case ReplyError:
        return {iconServiceError, iconServiceErrorFallback, tr("Unable to connect to the service tarno-update-service"),
            TrayLook::Shown};
    case Disabled:
        return {iconServiceDisabled, iconServiceDisabledFallback, tr("The service tarno-update-service is disabled"),
            TrayLook::Shown};
    }
    return {};
}

StateEntry Presentation::stateEntryFor(int state, const DueFacts& facts, const QDateTime& now, bool enabledNow)
{
    const QString postpone = tr("&Postpone the update");
    const QString wontUpdate = tr("The system won't be updated on the next reboot");
    switch (state) {
    case UpdateUnavailable:
        return {false, tr("&No updates"), QStringLiteral("No updates available")};
    case UpdateReady:
    case UpgradeReady:
        return {true, tr("&Update on reboot"), tr("The system will be updated on the next reboot")};
    case UpdateSet:
        // A refused postponement leaves the entry as it was; a date that has come disables it.
        return {isDue(facts, now) ? false : (facts.postponeRefused ? enabledNow : true), postpone, wontUpdate};
    case UpgradeSet:
        return {!facts.postponeRefused && !isDue(facts, now), postpone, wontUpdate};
    case InitError:
        return {false, std::nullopt, tr("Updating system is on error state")};
    case Disabled:
        return {false, std::nullopt, tr("Updating system is not active")};
    }
    return {};
}

NotificationContent Presentation::notificationFor(int state, const DueFacts& facts, const QDateTime& now)
{
    switch (state) {
    case UpdateUnavailable:
        return {tr("No available updates detected"), {}, KNotification::LowUrgency, KNotification::CloseOnTimeout};
    case UpdateReady:
    case UpgradeReady:
        return {tr("New system update is available"), {tr("Update on reboot"), tr("To postpone")},
            KNotification::HighUrgency, KNotification::Persistent};
    case UpdateSet:
    case UpgradeSet: {
        // Still postponable: stay polite. Otherwise the reboot is due and the popup must stay.
        const bool postponable = !facts.postponeRefused && facts.due.isValid() && now < facts.due;
        return {tr("The system will be updated on the next reboot"), {},
            postponable ? KNotification::HighUrgency : KNotification::CriticalUrgency,
            postponable ? KNotification::CloseOnTimeout : KNotification::Persistent};
    }
    case InitError:
        return {tr("Unable to connect to the service tarno-update-service"), {}, KNotification::CriticalUrgency,
            KNotification::CloseOnTimeout};
    case ReplyError:
        return {tr("Some problems with the service reply, please wait"), {}, KNotification::HighUrgency,
            KNotification::CloseOnTimeout};
    case Disabled:
        return {tr("The service tarno-update-service is disabled"), {}, KNotification::CriticalUrgency,
            KNotification::CloseOnTimeout};
    }
    return {};
}
