#include "XWindows.h"

#include "Poll.h"

#include <QProcess>

namespace {
constexpr int toolTimeoutMs = 15000;

QString escapeForRegex(const QString& text)
{
    QString escaped;
    for (const QChar c : text) {
        if (QStringLiteral(".[]()*+?{}|^$\\").contains(c)) {
            escaped += QLatin1Char('\\');
        }
        escaped += c;
    }
    return escaped;
}
} // namespace

int XWindows::xdotool(const QStringList& arguments, QByteArray* output) const
{
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    tool.setProcessEnvironment(environment);
    tool.setProcessChannelMode(QProcess::SeparateChannels);
    tool.start(QStringLiteral("xdotool"), arguments);
    if (!tool.waitForFinished(toolTimeoutMs)) {
        tool.kill();
        tool.waitForFinished(1000);
        return -1;
    }
    if (output) {
        *output = tool.readAllStandardOutput();
    }
    return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

QList<qulonglong> XWindows::search(const QString& field, const QString& pattern) const
{
    QByteArray output;
    QList<qulonglong> windows;
    // Exit code 1 only says that nothing matched.
    if (xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), field, pattern}, &output) != 0) {
        return windows;
    }
    const QList<QByteArray> lines = output.split('\n');
    for (const QByteArray& line : lines) {
        bool ok = false;
        const qulonglong window = line.trimmed().toULongLong(&ok);
        if (ok) {
            windows.append(window);
        }
    }
    return windows;
}

QList<qulonglong> XWindows::find(const QString& wanted) const
{
    QList<qulonglong> found;
    const QList<qulonglong> candidates = search(QStringLiteral("--name"), QLatin1Char('^') + escapeForRegex(wanted));
    for (const qulonglong window : candidates) {
        const QString name = title(window);
        if (name == wanted || name.startsWith(wanted + QStringLiteral(" \u2014 "))) {
            found.append(window);
        }
    }
    return found;
}

qulonglong XWindows::waitFor(const QString& wanted, int timeoutMs) const
{
    qulonglong window = 0;
    Poll::until(
        [&] {
            const QList<qulonglong> windows = find(wanted);
            window = windows.value(0);
            return window != 0;
        },
        timeoutMs);
    return window;
}

bool XWindows::waitForNone(const QString& wanted, int timeoutMs) const
{
    return Poll::until([&] { return find(wanted).isEmpty(); }, timeoutMs);
}

QString XWindows::title(qulonglong window) const
{
    QByteArray output;
    if (xdotool({QStringLiteral("getwindowname"), QString::number(window)}, &output) != 0) {
        return QString();
    }
    return QString::fromUtf8(output).trimmed();
}

QRect XWindows::geometry(qulonglong window) const
{
    QByteArray output;
    const QStringList arguments {
        QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), QString::number(window)};
    if (xdotool(arguments, &output) != 0) {
        return QRect();
    }
    QRect rect;
    const QList<QByteArray> lines = output.split('\n');
    for (const QByteArray& line : lines) {
        const int equals = line.indexOf('=');
        const QByteArray key = line.left(equals);
        const int value = line.mid(equals + 1).toInt();
        if (key == "X") {
            rect.moveLeft(value);
        } else if (key == "Y") {
            rect.moveTop(value);
        } else if (key == "WIDTH") {
            rect.setWidth(value);
        } else if (key == "HEIGHT") {
            rect.setHeight(value);
        }
    }
    return rect;
}

bool XWindows::pressKey(qulonglong window, const QString& key) const
{
    // No window manager: focus the window ourselves, then type into it.
    const QStringList arguments {
        QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(window), QStringLiteral("key"), key};
    return xdotool(arguments) == 0;
}

bool XWindows::click(qulonglong window, int button) const
{
    const QRect rect = geometry(window);
    if (!rect.isValid()) {
        return false;
    }
    const QStringList arguments {QStringLiteral("mousemove"), QStringLiteral("--sync"),
        QString::number(rect.center().x()), QString::number(rect.center().y()), QStringLiteral("click"),
        QString::number(button)};
    return xdotool(arguments) == 0;
}
