// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "TestEnvironment.h"

#include <QApplication>
#include <QTest>

#include <cstdio>

// Like QTEST_MAIN, but inside private buses and temporary directories.
#define ZIB_TEST_MAIN(TestObject)                                                                                      \
    int main(int argc, char* argv[])                                                                                   \
    {                                                                                                                  \
        const bool ready = TestEnvironment::instance().setUp();                                                        \
        QApplication app(argc, argv);                                                                                  \
        if (!ready || !TestEnvironment::instance().startBuses()) {                                                     \
            std::fprintf(stderr, "test environment could not be set up\n");                                            \
            return 1;                                                                                                  \
        }                                                                                                              \
        TestObject tc;                                                                                                 \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&tc, argc, argv);                                                                          \
    }
