// Saves a PNG of the whole X screen of $DISPLAY, for the demo.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

int main(int argc, char** argv)
{
    // The picture is of $DISPLAY, whatever platform the calling environment prefers.
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: x-screenshot OUT.png\n");
        return 2;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || !screen->grabWindow(0).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "x-screenshot: cannot save the screen to %s\n", argv[1]);
        return 1;
    }
    return 0;
}
