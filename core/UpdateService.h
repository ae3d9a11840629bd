// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>

#include <functional>
#include <optional>

// The core's view of the update service. Every call answers later through its callback and never
// blocks; std::nullopt stands for any failure (D-Bus error, time-out, a reply of the wrong type).
class UpdateService
{
public:
    using IntReply = std::function<void(std::optional<int>)>;
    using TextReply = std::function<void(std::optional<QString>)>;

    virtual ~UpdateService() = default;

    // Whether the bus is there and the service's name has an owner.
    virtual void checkReachable(std::function<void(bool)> done) = 0;
    // From now on `changed` learns at once whenever the service's name gets an owner (true) or loses it.
    virtual void watchOwner(std::function<void(bool owned)> changed) = 0;

    virtual void currentState(IntReply done) = 0;
    virtual void currentError(IntReply done) = 0;
    virtual void updateDate(TextReply done) = 0;
    virtual void updateVersion(TextReply done) = 0;
    virtual void enableOnReboot(IntReply done) = 0;
    virtual void disableOnReboot(IntReply done) = 0;
    virtual void removeResultStamp(int kind, IntReply done) = 0;
    virtual void setStateFromOutside(int state, IntReply done) = 0;
};
