// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <functional>

// Whether the service's process runs; answers later, like the service itself.
class ServicePresence
{
public:
    virtual ~ServicePresence() = default;
    virtual void checkActive(std::function<void(bool)> done) = 0;
};
