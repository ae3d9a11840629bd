#pragma once

// Makes the process look like the real update service to a process-table check, which matches argv[0].
class Posing
{
public:
    static constexpr const char* servicePath = "/usr/sbin/tarno-update-service";
    static constexpr const char* marker = "--posed";

    // Re-executes the running binary with argv[0] set to servicePath and the marker appended.
    // execv keeps the PID. Returns only when the exec failed.
    static void reexec(int argc, char** argv);
};
