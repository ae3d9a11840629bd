// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "SystemFile.h"

#include "Logging.h"

#include <QFile>
#include <QHash>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SystemFile {
namespace {
struct Problem
{
    QString text;
    bool content = false; // found in what was read, not in reading it
};

// The problem last logged per path, so a lasting one is logged once and not at every pass.
QHash<QString, Problem>& problems()
{
    static QHash<QString, Problem> known;
    return known;
}

void note(const QString& path, const QString& problem, bool content)
{
    QHash<QString, Problem>& known = problems();
    const auto found = known.constFind(path);
    if (problem.isEmpty()) {
        // Reading went well; a problem in the content stays until its reader says otherwise.
        if (found != known.constEnd() && (content || !found->content)) {
            known.remove(path);
            qCWarning(lcFiles).noquote() << path << "is readable again";
        }
        return;
    }
    if (found == known.constEnd() || found->text != problem) {
        known.insert(path, {problem, content});
        qCWarning(lcFiles).noquote() << path << "is ignored:" << problem;
    }
}

std::optional<QByteArray> failed(const QString& path, const QString& problem)
{
    note(path, problem, false);
    return std::nullopt;
}
} // namespace

void report(const QString& path, const QString& problem)
{
    note(path, problem, true);
}

std::optional<QByteArray> read(const QString& path, qint64 maxBytes, Oversize oversize)
{
    const QByteArray name = QFile::encodeName(path);
    // O_NONBLOCK: opening a FIFO must not wait for a writer; the type is checked on what was opened.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) {
            problems().remove(path); // a missing file is no fault, and ends any other
            return std::nullopt;
        }
        return failed(path, QStringLiteral("cannot be opened: ") + QString::fromLocal8Bit(std::strerror(error)));
    }
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return failed(path, QStringLiteral("not a regular file"));
    }
    if (oversize == Oversize::Reject && info.st_size > maxBytes) {
        ::close(fd);
        return failed(path, QStringLiteral("larger than %1 bytes").arg(maxBytes));
    }
    QByteArray data(int(qMin<qint64>(maxBytes + 1, qMax<qint64>(info.st_size, 0) + 1)), Qt::Uninitialized);
    qint64 got = 0;
    while (got < data.size()) {
        const ssize_t n = ::read(fd, data.data() + got, size_t(data.size() - got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return failed(path, QStringLiteral("cannot be read: ") + QString::fromLocal8Bit(std::strerror(error)));
        }
        if (n == 0) {
            break;
        }
        got += n;
    }
    ::close(fd);
    if (got > maxBytes) {
        // It grew since fstat().
        if (oversize == Oversize::Reject) {
            return failed(path, QStringLiteral("larger than %1 bytes").arg(maxBytes));
        }
        got = maxBytes;
    }
    data.truncate(int(got));
    note(path, QString(), false);
    return data;
}

} // namespace SystemFile
