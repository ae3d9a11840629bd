// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "DbusFaultLog.h"

#include <QObject>

#include <functional>
#include <optional>

namespace ZibAdmin {
// Client of the desktop's administration service for the release-upgrade switch.
class DbusService : public QObject
{
    Q_OBJECT
public:
    explicit DbusService(QObject* parent = nullptr);

    // Asynchronous: the outcome arrives as processOutput() or showMessage(), and to this call's own `done`
    // (std::nullopt when the switch was made, else the message), so overlapping calls each get theirs.
    void changeUpgradeState(bool enable, std::function<void(std::optional<QString> error)> done = nullptr);

Q_SIGNALS:
    void showMessage(const QString& title, const QString& message);
    void processOutput(const QString& output);

private:
    DbusFaultLog m_faults;
};
} // namespace ZibAdmin
