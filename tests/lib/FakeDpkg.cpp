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

QByteArray behaviour(Mode mode)
{
    switch (mode) {
    case Mode::Installed:
        return "printf 'ii tarno-upgrade\\n'\n";
    case Mode::Removed:
        return "printf 'rc tarno-upgrade\\n'\n";
    case Mode::Hanging:
        return "exec sleep 60\n";
    case Mode::Failing:
        return "echo 'dpkg-query: no packages found matching tarno-upgrade' >&2\nexit 1\n";
    case Mode::Crashing:
        return "kill -SEGV $$\n";
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
        return QFile::remove(programPath()) || !QFile::exists(programPath());
    }
    // Written aside and renamed over, as a package upgrade replaces a program.
    const QString temporary = programPath() + QLatin1String(".new");
    QFile file(temporary);
    const QByteArray script = "#!/bin/sh\necho run >> '" + QFile::encodeName(runLogPath()) + "'\n" + behaviour(mode);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(script) != script.size()) {
        return false;
    }
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(programPath()).constData()) == 0;
}

int runCount()
{
    QFile log(runLogPath());
    return log.open(QIODevice::ReadOnly) ? log.readAll().count('\n') : 0;
}
} // namespace FakeDpkg
