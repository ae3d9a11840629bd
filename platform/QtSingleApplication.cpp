// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "QtSingleApplication.h"

QtSingleApplication::QtSingleApplication(int& argc, char** argv, bool GUIenabled) : QApplication(argc, argv)
{
    // Qt 5 applications always have a GUI; the flag only keeps the familiar constructor.
    Q_UNUSED(GUIenabled)
    // Same for every start of this program by the same user; the directory is per user.
    m_instance = new SingleInstance(applicationName(), QString(), this);
    connect(m_instance, &SingleInstance::messageReceived, this, &QtSingleApplication::messageReceived);
}

QtSingleApplication::~QtSingleApplication() = default;

bool QtSingleApplication::isRunning() const
{
    return m_instance->isRunning();
}

bool QtSingleApplication::sendMessage(const QString& message, int timeout)
{
    return m_instance->sendMessage(message, timeout);
}

SingleInstance::Outcome QtSingleApplication::ask(const QString& question, int timeout, QString* answer) const
{
    return m_instance->ask(question, timeout, answer);
}

void QtSingleApplication::setQueryHandler(std::function<QString(const QString&)> handler)
{
    m_instance->setQueryHandler(std::move(handler));
}
