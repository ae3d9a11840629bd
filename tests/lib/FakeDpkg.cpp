#include "FakeDpkg.h"

#include "TestEnvironment.h"

#include <QFile>

#include <cstdio>

namespace FakeDpkg {
namespace {
QString programPath()
{
    return TestEnvironment::instance().binDir() + QLatin1String("/dpkg-query");
}

QString runLogPath()
{
    return TestEnvironment::instance().root() + QLatin1String("/dpkg-query.runs");
}

QByteArray scriptFor(Mode mode)
{
    const QByteArray logRun = "echo run >> '" + QFile::encodeName(runLogPath()) + "'\n";
    switch (mode) {
    case Mode::Installed:
        return "#!/bin/sh\n" + logRun + "printf 'ii tarno-upgrade\\n'\n";
    case Mode::Removed:
        return "#!/bin/sh\n" + logRun + "printf 'rc tarno-upgrade\\n'\n";
    case Mode::Hanging:
        return "#!/bin/sh\n" + logRun + "exec sleep 60\n";
    case Mode::Failing:
        return "#!/bin/sh\n" + logRun + "echo 'dpkg-query: no packages found matching tarno-upgrade' >&2\nexit 1\n";
    case Mode::Crashing:
        return "#!/bin/sh\n" + logRun + "kill -SEGV $$\n";
    case Mode::Missing:
        break;
    }
    return QByteArray();
}
} // namespace

bool set(Mode mode)
{
    QFile::remove(runLogPath());
    if (mode == Mode::Missing) {
        QFile::remove(programPath());
        return !QFile::exists(programPath());
    }
    const QString temporary = programPath() + QLatin1String(".new");
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    file.write(scriptFor(mode));
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(programPath()).constData()) == 0;
}

int runCount()
{
    QFile log(runLogPath());
    if (!log.open(QIODevice::ReadOnly)) {
        return 0;
    }
    return log.readAll().count('\n');
}
} // namespace FakeDpkg
