#pragma once

#include <QDBusConnection>
#include <QString>

#include <optional>

// Command line of the simulator process.
struct SimOptions
{
    enum class Bus { System, Session };

    Bus bus = Bus::System;
    int state = 0;
    int error = 0;
    QString date;
    QString version;
    bool pose = true;
    // Set on the re-executed process so that it does not pose again.
    bool posed = false;
    bool help = false;
    QString sysroot;

    // Parses argv[1..argc-1]; on failure returns nothing and sets error.
    static std::optional<SimOptions> parse(int argc, char** argv, QString* error);
    static std::optional<Bus> busFromName(const QString& name);
    static QDBusConnection connection(Bus bus);
    static QString usage();
};
