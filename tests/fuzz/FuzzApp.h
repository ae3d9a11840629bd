// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Every fuzz target's process: an offscreen application whose settings and system files live in a folder
// of its own, set before anything reads them. A broken rule aborts, so libFuzzer keeps the input.
#define FUZZ_CHECK(condition) ((condition) ? void() : (std::fprintf(stderr, "broken: %s\n", #condition), std::abort()))

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // In memory where there is some: the files are written at every run.
    const QString base =
        QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    const QByteArray home = base.toUtf8() + "/zib-fuzz-" + QByteArray::number(QCoreApplication::applicationPid());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_CONFIG_HOME", home + "/root/config"); // under the sysroot: writeSysFile() reaches it
    qputenv("ZIB_NOTIFIER_SYSROOT", home + "/root");
    std::atexit([] { QDir(qEnvironmentVariable("ZIB_NOTIFIER_SYSROOT") + QLatin1String("/..")).removeRecursively(); });
    new QApplication(*argc, *argv);
    // Millions of hostile inputs: the warnings they cause are not news.
    QLoggingCategory::setFilterRules(QStringLiteral("*=false"));
    return 0;
}
