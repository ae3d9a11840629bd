// Saves a PNG of the X screen (or of one window) for end-to-end checks and the demo.
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

namespace {
int fail(const QString& message)
{
    std::fprintf(stderr, "x-screenshot: %s\n", qPrintable(message));
    return 1;
}

// The xcb plugin aborts when it cannot reach the display; report that as an ordinary failure instead.
void messageHandler(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    std::fprintf(stderr, "x-screenshot: %s\n", qPrintable(message));
    if (type == QtFatalMsg)
        std::_Exit(1);
}
} // namespace

int main(int argc, char** argv)
{
    // The picture is of $DISPLAY, whatever platform the calling environment prefers for itself.
    qputenv("QT_QPA_PLATFORM", "xcb");
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return fail(QStringLiteral("DISPLAY is not set"));
    qInstallMessageHandler(messageHandler);
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("x-screenshot"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Grabs the X screen or one window into a PNG file."));
    parser.addHelpOption();
    const QCommandLineOption windowOption(
        QStringLiteral("window"), QStringLiteral("Grab only window WID (decimal or 0x hex)."), QStringLiteral("WID"));
    parser.addOption(windowOption);
    parser.addPositionalArgument(QStringLiteral("OUT.png"), QStringLiteral("Output file."));
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        return fail(QStringLiteral("expected exactly one output file; see --help"));
    const QString outPath = parser.positionalArguments().constFirst();

    WId window = 0;
    if (parser.isSet(windowOption)) {
        bool ok = false;
        window = parser.value(windowOption).toULongLong(&ok, 0);
        if (!ok || window == 0)
            return fail(QStringLiteral("invalid window id: %1").arg(parser.value(windowOption)));
    }

    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return fail(QStringLiteral("no screen"));
    const QPixmap pixmap = screen->grabWindow(window);
    if (pixmap.isNull())
        return fail(QStringLiteral("grab failed (window %1)").arg(window));
    if (!pixmap.save(outPath, "PNG"))
        return fail(QStringLiteral("cannot write %1").arg(outPath));
    return 0;
}
