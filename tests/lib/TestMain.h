#pragma once

#include "TestEnvironment.h"

#include <QApplication>
#include <QTest>

#include <cstdio>

// Like QTEST_MAIN, but inside private buses and temporary directories.
#define ZIB_TEST_MAIN(TestObject)                                                                                      \
    int main(int argc, char* argv[])                                                                                   \
    {                                                                                                                  \
        if (!TestEnvironment::instance().setUp()) {                                                                    \
            std::fprintf(stderr, "test environment could not be set up\n");                                            \
            return 1;                                                                                                  \
        }                                                                                                              \
        QApplication app(argc, argv);                                                                                  \
        TestObject tc;                                                                                                 \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&tc, argc, argv);                                                                          \
    }
