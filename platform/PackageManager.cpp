#include "PackageManager.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <sys/stat.h>

#include <array>
#include <optional>

namespace ZibAdmin {
namespace {
constexpr int queryTimeoutMs = 5000;

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

std::optional<CachedAnswer>& cache()
{
    static std::optional<CachedAnswer> answer;
    return answer;
}

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

// std::nullopt when the query could not give an answer (not started, timed out, crashed).
std::optional<bool> runQuery(const QString& program, const QString& package, const QString& pattern)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program,
        {QStringLiteral("-W"), QStringLiteral("-f"), QStringLiteral("${db:Status-Abbrev}${Package}\n"), package});
    QElapsedTimer clock;
    clock.start();
    if (!process.waitForStarted(queryTimeoutMs)) {
        return std::nullopt;
    }
    const int left = qMax(0, queryTimeoutMs - int(clock.elapsed()));
    if (!process.waitForFinished(left)) {
        process.kill();
        process.waitForFinished(1000);
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit) {
        return std::nullopt;
    }
    if (process.exitCode() != 0) {
        return false;
    }

    const QRegularExpression expression(pattern.arg(QRegularExpression::escape(package)));
    if (!expression.isValid()) {
        return false;
    }
    const QList<QByteArray> lines = process.readAllStandardOutput().split('\n');
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

bool PackageManager::isPackageInstalled(const QString& package, const QString& pattern)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("dpkg-query"));
    if (program.isEmpty()) {
        cache().reset();
        return false;
    }

    const QueryKey key = currentKey(package, pattern, program);
    if (cache() && cache()->key == key) {
        return cache()->installed;
    }

    const std::optional<bool> installed = runQuery(program, package, pattern);
    if (!installed) {
        cache().reset();
        return false;
    }
    cache() = CachedAnswer {key, *installed};
    return *installed;
}

void PackageManager::clearCache()
{
    cache().reset();
}
} // namespace ZibAdmin
