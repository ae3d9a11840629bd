// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

// Like QTEST_MAIN, but offscreen, with private settings and runtime directories, and with no bus to
// reach: a component test that touched one would fail instead of reaching the machine's.
#define ZIB_UNIT_MAIN(TestObject)                                                                                      \
    int main(int argc, char* argv[])                                                                                   \
    {                                                                                                                  \
        QTemporaryDir home;                                                                                            \
        qputenv("QT_QPA_PLATFORM", "offscreen");                                                                       \
        qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());                                  \
        qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());                                                              \
        qputenv("ZIB_NOTIFIER_SYSROOT", home.filePath(QStringLiteral("sysroot")).toUtf8());                            \
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/zib-test-bus");                                    \
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/zib-test-bus");                                     \
        QApplication app(argc, argv);                                                                                  \
        TestObject tc;                                                                                                 \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&tc, argc, argv);                                                                          \
    }
