// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "SingleInstance.h"

#include <QApplication>

#include <functional>

// A QApplication that knows whether the same user already runs this program, and lets a later start
// pass a message to the running one.
class QtSingleApplication : public QApplication
{
    Q_OBJECT
public:
    QtSingleApplication(int& argc, char** argv, bool GUIenabled = true);
    ~QtSingleApplication() override;

    // The single-instance check, made on the first call: the first start of the user becomes the
    // running instance here, not when the application object is made.
    bool isRunning() const;
    bool sendMessage(const QString& message, int timeout = 5000);
    // A question to the running instance, taking no part in the check.
    SingleInstance::Outcome ask(const QString& question, int timeout, QString* answer) const;
    void setQueryHandler(std::function<QString(const QString&)> handler);

Q_SIGNALS:
    void messageReceived(const QString& message);

private:
    SingleInstance* m_instance = nullptr;
};
