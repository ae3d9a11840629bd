// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

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
    QScreen* screen = QGuiApplication::primaryScreen();
    if (argc != 2 || !screen || !screen->grabWindow(0).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "x-screenshot OUT.png: cannot save the screen to %s\n", argc == 2 ? argv[1] : "a file");
        return 1;
    }
    return 0;
}
