// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

// A sealed world for one test process: private system and session buses, and temporary config, runtime,
// data, bin (first on PATH) and sysroot directories. Set up before the QApplication exists, even when
// this fails; the buses start once it exists, before anything uses D-Bus.
class TestEnvironment
{
public:
    static TestEnvironment& instance();

    bool setUp();
    bool startBuses();

    QString binDir() const { return m_dir->path() + QLatin1String("/bin"); }
    void removeSettings() const;

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};
