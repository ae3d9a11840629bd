// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "PackageManager.h"

#include "PlatformLogging.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

#include <sys/stat.h>

#include <array>
#include <optional>

namespace ZibAdmin {
namespace {
// Identity of a file for change detection: a rewrite or an atomic replacement changes it.
struct FileStamp
{
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified {};
    timespec changed {};

    static FileStamp of(const QString& path)
    {
        FileStamp stamp;
        struct stat st
        {
        };
        if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
            stamp.exists = true;
            stamp.device = st.st_dev;
            stamp.inode = st.st_ino;
            stamp.size = st.st_size;
            stamp.modified = st.st_mtim;
            stamp.changed = st.st_ctim;
        }
        return stamp;
    }

    bool operator==(const FileStamp& o) const
    {
        return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
            modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
            changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
    }
};

// The answer of dpkg-query only changes when the package database or the program itself changes.
// Remembering it against their stamps makes the periodic check cost a few stat() calls.
struct QueryKey
{
    QString package;
    QString pattern;
    QString program;
    std::array<FileStamp, 4> stamps;

    bool operator==(const QueryKey& o) const
    {
        return package == o.package && pattern == o.pattern && program == o.program && stamps == o.stamps;
    }
};

struct CachedAnswer
{
    QueryKey key;
    bool installed = false;
};

QueryKey currentKey(const QString& package, const QString& pattern, const QString& program)
{
    QString adminDir = qEnvironmentVariable("DPKG_ADMINDIR");
    if (adminDir.isEmpty()) {
        adminDir = QStringLiteral("/var/lib/dpkg");
    }
    return QueryKey {package, pattern, program,
        {FileStamp::of(program), FileStamp::of(adminDir + QLatin1String("/status")),
            FileStamp::of(adminDir + QLatin1String("/updates")), FileStamp::of(adminDir)}};
}

// Whether a line of the query's output matches, from its start.
bool matches(const QByteArray& output, const QString& package, const QString& pattern)
{
    const QRegularExpression expression(pattern.arg(QRegularExpression::escape(package)));
    if (!expression.isValid()) {
        return false;
    }
    const QList<QByteArray> lines = output.split('\n');
    for (const QByteArray& line : lines) {
        const QRegularExpressionMatch match = expression.match(
            QString::fromUtf8(line), 0, QRegularExpression::NormalMatch, QRegularExpression::AnchoredMatchOption);
        if (match.hasMatch()) {
            return true;
        }
    }
    return false;
}
} // namespace

struct PackageManager::Cache
{
    std::optional<CachedAnswer> answer;
};

PackageManager::PackageManager(int timeoutMs, QObject* parent)
    : QObject(parent), m_cache(std::make_unique<Cache>()), m_timeoutMs(timeoutMs)
{
}

PackageManager::~PackageManager() = default;

void PackageManager::isPackageInstalled(const QString& package, const QString& pattern, std::function<void(bool)> done)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("dpkg-query"));
    if (program.isEmpty()) {
        m_cache->answer.reset();
        done(false);
        return;
    }
    const QueryKey key = currentKey(package, pattern, program);
    if (m_cache->answer && m_cache->answer->key == key) {
        done(m_cache->answer->installed);
        return;
    }

    auto* process = new QProcess(this);
    process->setProcessChannelMode(QProcess::SeparateChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    auto* deadline = new QTimer(process);
    deadline->setSingleShot(true);
    // One answer per question, whichever comes first: the end, a failure or the deadline.
    const auto answer = [this, process, deadline, key, done](std::optional<bool> installed, const QString& fault) {
        deadline->stop();
        process->disconnect(this);
        process->deleteLater();
        if (!fault.isEmpty() && fault != m_lastFault) {
            qCWarning(lcDesktop).noquote() << "dpkg-query gave no answer:" << fault;
        } else if (fault.isEmpty() && !m_lastFault.isEmpty()) {
            qCWarning(lcDesktop) << "dpkg-query answers again";
        }
        m_lastFault = fault;
        if (installed) {
            m_cache->answer = CachedAnswer {key, *installed};
        } else {
            m_cache->answer.reset(); // a failed query is never remembered
        }
        done(installed.value_or(false));
    };
    connect(deadline, &QTimer::timeout, this, [process, answer, this] {
        process->kill();
        answer(std::nullopt, QStringLiteral("no answer within %1 ms").arg(m_timeoutMs));
    });
    connect(process, &QProcess::errorOccurred, this, [process, answer](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            answer(std::nullopt, process->errorString());
        }
    });
    connect(process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this,
        [process, answer, package, pattern](int code, QProcess::ExitStatus status) {
            if (status != QProcess::NormalExit) {
                answer(std::nullopt, QStringLiteral("it crashed"));
            } else if (code == 0) {
                answer(matches(process->readAllStandardOutput(), package, pattern), QString());
            } else if (code == 1) {
                answer(false, QString()); // no such package: not installed
            } else {
                answer(std::nullopt, // a failed query is never remembered
                    QStringLiteral("exit status %1: %2")
                        .arg(code)
                        .arg(QString::fromLocal8Bit(process->readAllStandardError().trimmed())));
            }
        });
    deadline->start(m_timeoutMs);
    process->start(program,
        {QStringLiteral("-W"), QStringLiteral("-f"), QStringLiteral("${db:Status-Abbrev}${Package}\n"), package});
}
} // namespace ZibAdmin
