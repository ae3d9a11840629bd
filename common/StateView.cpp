// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "StateView.h"

#include "DateFormat.h"

namespace {
const QString iconUnavailable = QStringLiteral("updates-unavailable");
const QString iconAvailable = QStringLiteral("updates-available");
const QString iconAfterReboot = QStringLiteral("updates-after-reboot");
const QString iconServiceError = QStringLiteral("updates-service-error");
const QString iconServiceDisabled = QStringLiteral("updates-service-disabled");

QString fallbackOf(const QString& iconName)
{
    return QLatin1String(":/icons/") + iconName + QLatin1String(".svg");
}

QString infoText(const char* text)
{
    return QCoreApplication::translate("UpdateInfoDialog", text);
}
} // namespace

bool StateViews::isDue(const QDateTime& due, const QDateTime& now)
{
    return due.isValid() && !(now < due);
}

TrayLook StateViews::trayLook(State state)
{
    const auto look = [](const QString& icon, const QString& toolTip, TrayLook::Visibility visibility) {
        return TrayLook {icon, fallbackOf(icon), toolTip, visibility};
    };
    switch (state) {
    case State::UpdateUnavailable:
        return look(iconUnavailable, tr("No available updates detected"), TrayLook::Unchanged);
    case State::UpdateReady:
    case State::UpgradeReady:
        return look(iconAvailable, tr("New system update is available"), TrayLook::ShownUnlessDeferred);
    case State::UpdateSet:
    case State::UpgradeSet:
        return look(
            iconAfterReboot, tr("The system will be updated on the next reboot"), TrayLook::ShownUnlessDeferred);
    case State::InitError:
    case State::ReplyError:
        return look(iconServiceError, tr("Unable to connect to the service tarno-update-service"), TrayLook::Shown);
    case State::Disabled:
        return look(iconServiceDisabled, tr("The service tarno-update-service is disabled"), TrayLook::Shown);
    }
    return {};
}

StateView StateViews::viewOf(State state, const StateFacts& facts, const QDateTime& now)
{
    StateView view;
    view.tray = trayLook(state);
    const bool due = isDue(facts.due, now);
    const QString onReboot = tr("The system will be updated on the next reboot");
    const QString arrow =
        infoText(QT_TRANSLATE_NOOP("UpdateInfoDialog", "%1 -> %2")).arg(facts.currentVersion, facts.offeredVersion);
    const QString dueText = facts.due.toString(dateTimeFormat);
    InfoView& info = view.info;

    switch (state) {
    case State::UpdateUnavailable:
        view.entry = {false, tr("&No updates"), QStringLiteral("No updates available")};
        view.popup = {tr("No available updates detected"), {}, PopupContent::Low, false};
        info.shortText =
            infoText(QT_TRANSLATE_NOOP("UpdateInfoDialog", "Current version is %1\n")).arg(facts.currentVersion) +
            infoText(QT_TRANSLATE_NOOP("UpdateInfoDialog", "No available updates detected"));
        break;
    case State::UpdateReady:
    case State::UpgradeReady:
        view.entry = {true, tr("&Update on reboot"), onReboot};
        view.popup = {tr("New system update is available"), {tr("Update on reboot"), tr("To postpone")},
            PopupContent::High, true};
        info.shortText = infoText(QT_TRANSLATE_NOOP("UpdateInfoDialog", "New system update is available\n")) + arrow;
        if (facts.due.isValid()) {
            info.fullText =
                infoText(QT_TRANSLATE_NOOP("UpdateInfoDialog", "The forced update date is %1")).arg(dueText);
        }
        info.buttonText = infoText(QT_TRANSLATE_NOOP("UpdateInfoDialog", "Update on reboot"));
        info.button = InfoView::Enable;
        info.progress = true;
        info.waitLimit = state == State::UpdateReady ? 10 : 30;
        break;
    case State::UpdateSet:
    case State::UpgradeSet: {
        // A refused postponement leaves the update's entry as it was; a forced upgrade's is disabled.
        std::optional<bool> enabled = !due;
        if (!due && facts.postponeRefused) {
            enabled = state == State::UpdateSet ? std::nullopt : std::optional<bool>(false);
        }
        view.entry = {enabled, tr("&Postpone the update"), tr("The system won't be updated on the next reboot")};
        // Still postponable: stay polite. Otherwise the reboot is due and the popup must stay.
        const bool postponable = !facts.postponeRefused && facts.due.isValid() && !due;
        view.popup = {onReboot, {}, postponable ? PopupContent::High : PopupContent::Critical, !postponable};
        info.shortText =
            infoText(QT_TRANSLATE_NOOP("UpdateInfoDialog", "The system will be updated on the next reboot\n")) + arrow;
        info.buttonText = infoText(QT_TRANSLATE_NOOP("UpdateInfoDialog", "Postpone the update"));
        if (due) {
            // The date has come: nothing can be put off any more.
            info.fullText = infoText(QT_TRANSLATE_NOOP("UpdateInfoDialog",
                                         "You can't postpone the update. \nThe forced update date was: %1"))
                                .arg(dueText);
        } else {
            if (facts.due.isValid()) {
                info.fullText =
                    infoText(QT_TRANSLATE_NOOP("UpdateInfoDialog", "The forced update date is %1")).arg(dueText);
            }
            // A forced upgrade cannot be put off, so its button would do nothing.
            const bool forcedUpgrade = state == State::UpgradeSet && facts.postponeRefused;
            info.button = forcedUpgrade ? InfoView::NoButton : InfoView::Disable;
            info.progress = facts.due.isValid();
        }
        info.rebootAllowed = true;
        info.waitLimit = state == State::UpdateSet ? 10 : 30;
        break;
    }
    case State::InitError:
        view.entry = {false, std::nullopt, tr("Updating system is on error state")};
        view.popup = {tr("Unable to connect to the service tarno-update-service"), {}, PopupContent::Critical, false};
        info.shortText =
            infoText(QT_TRANSLATE_NOOP("UpdateInfoDialog", "Unable to connect to the service tarno-update-service"));
        break;
    case State::ReplyError:
        view.popup = {tr("Some problems with the service reply, please wait"), {}, PopupContent::High, false};
        info.shortText =
            infoText(QT_TRANSLATE_NOOP("UpdateInfoDialog", "Some problems with the service reply, please wait"));
        break;
    case State::Disabled:
        view.entry = {false, std::nullopt, tr("Updating system is not active")};
        view.popup = {tr("The service tarno-update-service is disabled"), {}, PopupContent::Critical, false};
        info.shortText =
            infoText(QT_TRANSLATE_NOOP("UpdateInfoDialog", "The service tarno-update-service is disabled"));
        break;
    }
    if (facts.inProgress) {
        info = InfoView();
        info.waiting = true;
        info.shortText = infoText(QT_TRANSLATE_NOOP("UpdateInfoDialog", "Please, wait..."));
    }
    return view;
}
