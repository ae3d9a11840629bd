// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <functional>

// The desktop's do-not-disturb mode (a presentation, a full-screen video, the user's own switch): while it
// is on, the notifier's popups wait. Learnt without blocking; unknown counts as off.
class DoNotDisturb
{
public:
    virtual ~DoNotDisturb() = default;
    virtual bool isOn() const = 0;
    // `handler` runs whenever the mode changes; nullptr stops it.
    virtual void setChangeHandler(std::function<void(bool on)> handler) = 0;
};
